#include "vxrelay/detached_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

extern char** environ;

namespace qav::vxrelay {
namespace {

// What the children tell the parent through the pipe, one record each. The application's own end
// of the pipe is close-on-exec, so the parent reads end-of-file once the program runs.
enum Stage : int32_t {
  kStarted = 1,        // value: the application's process id
  kForkFailed = 2,     // value: errno
  kChdirFailed = 3,    // value: errno
  kExecFailed = 4,     // value: errno
};

struct Report {
  int32_t stage;
  int32_t value;
};

// The descriptor the application's side of the pipe is moved to before everything above it closes.
constexpr int kReportFd = 3;

// Only async-signal-safe calls from here on: the host may have other threads, whose locks the
// children inherit in whatever state they were.
void WriteReport(int fd, int32_t stage, int32_t value) {
  Report report{stage, value};
  const char* p = reinterpret_cast<const char*>(&report);
  size_t left = sizeof report;
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    left -= static_cast<size_t>(n);
  }
}

void CloseDescriptorsFrom(int first) {
  if (syscall(SYS_close_range, first, ~0u, 0) == 0) return;
  for (int fd = first; fd < 65536; ++fd) close(fd);
}

[[noreturn]] void RunApplication(int reportFd, const char* program, char* const* argv, const char* folder) {
  struct sigaction defaultAction {};
  defaultAction.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &defaultAction, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);

  if (reportFd != kReportFd) {
    if (dup2(reportFd, kReportFd) < 0) _exit(127);
  }
  fcntl(kReportFd, F_SETFD, FD_CLOEXEC);
  CloseDescriptorsFrom(kReportFd + 1);

  if (chdir(folder) != 0) {
    WriteReport(kReportFd, kChdirFailed, errno);
    _exit(127);
  }
  execve(program, argv, environ);
  WriteReport(kReportFd, kExecFailed, errno);
  _exit(127);
}

}  // namespace

pid_t StartDetachedProcess(const DetachedLaunch& launch) {
  // Everything the children need is built here, before the fork.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(launch.program.c_str()));
  for (const auto& argument : launch.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  const int readFd = pipeFds[0];
  const int writeFd = pipeFds[1];

  const pid_t intermediate = fork();
  if (intermediate < 0) {
    const int saved = errno;
    close(readFd);
    close(writeFd);
    errno = saved;
    return -1;
  }
  if (intermediate == 0) {
    close(readFd);
    setsid();
    const pid_t application = _Fork();
    if (application == 0) RunApplication(writeFd, launch.program.c_str(), argv.data(), launch.folder.c_str());
    if (application < 0) {
      WriteReport(writeFd, kForkFailed, errno);
    } else {
      WriteReport(writeFd, kStarted, application);
    }
    _exit(0);
  }

  close(writeFd);
  int status = 0;
  while (waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
  }
  // With SIGCHLD ignored the intermediate child is reaped by the system and waitpid says ECHILD;
  // the pipe still carries its report.

  // The reports may arrive in either order: the application's child can fail before the
  // intermediate one has written its id.
  pid_t application = -1;
  int failure = 0;
  Report report{};
  size_t have = 0;
  for (;;) {
    ssize_t n = read(readFd, reinterpret_cast<char*>(&report) + have, sizeof report - have);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    have += static_cast<size_t>(n);
    if (have < sizeof report) continue;
    have = 0;
    if (report.stage == kStarted) {
      application = report.value;
    } else {
      failure = report.value;
    }
  }
  close(readFd);
  if (failure != 0 || application < 0) {
    errno = failure != 0 ? failure : ECHILD;  // ECHILD: the intermediate child ended without a word
    return -1;
  }
  return application;
}

}  // namespace qav::vxrelay
