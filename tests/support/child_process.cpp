#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

extern char** environ;

namespace qav::test {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  std::vector<std::string> args = {program};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  input_ = in[1];
  output_ = out[0];
}

ChildProcess::~ChildProcess() {
  CloseInput();
  if (pid_ > 0 && !status_ && !WaitForExit(0)) Kill();
  if (output_ >= 0) close(output_);
}

void ChildProcess::WriteLine(const std::string& line) {
  if (input_ < 0) return;
  const std::string text = line + "\n";
  ssize_t written = write(input_, text.data(), text.size());
  (void)written;
}

void ChildProcess::CloseInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

bool ChildProcess::ReadSome(int timeoutMs, const std::function<void()>& serve, int serveFd) {
  pollfd fds[2] = {{output_, POLLIN, 0}, {serve ? serveFd : -1, POLLIN, 0}};
  if (poll(fds, 2, timeoutMs) <= 0) return true;
  if (fds[1].revents != 0) serve();
  if (fds[0].revents == 0) return true;
  char buffer[4096];
  const ssize_t n = read(output_, buffer, sizeof buffer);
  if (n <= 0) return false;
  partial_.append(buffer, static_cast<size_t>(n));
  size_t end;
  while ((end = partial_.find('\n')) != std::string::npos) {
    unmatched_.push_back(partial_.substr(0, end));
    all_.push_back(unmatched_.back());
    partial_.erase(0, end + 1);
  }
  return true;
}

std::optional<std::string> ChildProcess::WaitForLine(const std::string& prefix, const std::function<void()>& serve,
                                                     int serveFd, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  bool open = output_ >= 0;
  for (;;) {
    for (auto it = unmatched_.begin(); it != unmatched_.end(); ++it) {
      if (it->rfind(prefix, 0) == 0) {
        std::string line = *it;
        unmatched_.erase(it);
        return line;
      }
    }
    if (!open || MsLeft(deadline) == 0) return std::nullopt;
    open = ReadSome(std::min(MsLeft(deadline), 50), serve, serveFd);
  }
}

std::optional<int> ChildProcess::WaitForExit(int timeoutMs) {
  if (status_ || pid_ <= 0) return status_;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = status;
      break;
    }
    if (MsLeft(deadline) == 0) break;
    // Keep its output flowing, so that it never blocks on a full pipe while it ends.
    pollfd fds[2] = {{pidFd, POLLIN, 0}, {output_, POLLIN, 0}};
    if (poll(fds, 2, std::min(MsLeft(deadline), 50)) > 0 && fds[1].revents != 0 && !ReadSome(0, {}, -1)) {
      close(output_);
      output_ = -1;
    }
  }
  if (pidFd >= 0) close(pidFd);
  return status_;
}

void ChildProcess::Kill() {
  if (pid_ <= 0 || status_) return;
  kill(pid_, SIGKILL);
  int status = 0;
  if (waitpid(pid_, &status, 0) == pid_) status_ = status;
}

}  // namespace qav::test
