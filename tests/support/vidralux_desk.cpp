#include "tests/support/vidralux_desk.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

extern char** environ;

namespace qav::test {
namespace {

constexpr char kStandIn[] = QAV_SIM_VIDRALUX;
constexpr int kStartTimeoutMs = 10000;

int OpenPidFd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

// A stand-in of this desk: the stand-in's binary, running in this desk's installation folder. So a
// process id the system has since handed to somebody else (another test's stand-in included) is
// never signalled.
bool IsStandInOf(pid_t pid, const std::string& installFolder) {
  const std::string proc = "/proc/" + std::to_string(pid);
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink(proc + "/exe", ec);
  if (ec || exe != std::filesystem::canonical(kStandIn, ec)) return false;
  const auto cwd = std::filesystem::read_symlink(proc + "/cwd", ec);
  return !ec && cwd == std::filesystem::canonical(installFolder, ec);
}

}  // namespace

bool WaitForProcessEnd(pid_t pid, int timeoutMs) {
  const int fd = OpenPidFd(pid);
  if (fd < 0) return errno == ESRCH;
  pollfd p{fd, POLLIN, 0};
  const bool ended = poll(&p, 1, timeoutMs) == 1;
  close(fd);
  return ended;
}

VidraluxDesk::VidraluxDesk()
    : installFolder_(temp_.File("Quenmark Vidralux 3; echo 'x' \"$HOME\"")),
      desktop_("QAV_DESKTOP_DIR", temp_.File("desktop")),
      registry_("QAV_REGISTRY_DIR", temp_.File("registry")),
      record_("QAV_SIM_VIDRALUX_RECORD", temp_.File("vidralux-record.txt")),
      delay_("QAV_SIM_VIDRALUX_READY_DELAY_MS", std::nullopt) {
  std::filesystem::create_directories(installFolder_);
  std::filesystem::create_symlink(kStandIn, installFolder_ + "/Vidralux.exe");
}

VidraluxDesk::~VidraluxDesk() {
  for (const auto& line : Record()) {
    if (line.size() < 2 || line[0] != "start") continue;
    const pid_t pid = static_cast<pid_t>(std::atoi(line[1].c_str()));
    const int fd = OpenPidFd(pid);
    if (fd < 0) continue;
    if (IsStandInOf(pid, installFolder_)) {
      syscall(SYS_pidfd_send_signal, fd, SIGTERM, nullptr, 0);
      pollfd p{fd, POLLIN, 0};
      poll(&p, 1, 5000);
    }
    close(fd);
  }
  for (pid_t child : children_) {
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
}

void VidraluxDesk::Install(RegistryRoot root, std::u16string_view version) {
  RegistryStore store;
  const std::u16string key = u"Software\\Quenmark\\Vidralux";
  store.CreateKey(root, key);
  store.SetValue(root, key, u"Directory", MakeRegistryString(RegistryUtf8ToUtf16(installFolder_)));
  store.SetValue(root, key, u"Version", MakeRegistryString(version));
}

pid_t VidraluxDesk::StartStandIn(const std::vector<std::string>& arguments) {
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return -1;
  std::vector<std::string> texts{kStandIn, "--ready-fd=3"};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
  posix_spawn_file_actions_addchdir_np(&actions, installFolder_.c_str());
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, kStandIn, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  if (failed != 0) {
    close(ready[0]);
    return -1;
  }
  children_.push_back(pid);
  // "ready" once the window is there; end of file when the stand-in ended without one.
  pollfd p{ready[0], POLLIN, 0};
  if (poll(&p, 1, kStartTimeoutMs) == 1) {
    char buffer[8];
    ssize_t ignored = read(ready[0], buffer, sizeof buffer);
    (void)ignored;
  }
  close(ready[0]);
  return pid;
}

std::vector<sim::VidraluxRecordLine> VidraluxDesk::Record() const {
  return sim::ReadVidraluxRecord(temp_.File("vidralux-record.txt"));
}

std::vector<std::string> VidraluxDesk::Requests() const {
  std::vector<std::string> requests;
  for (const auto& line : Record()) {
    if (line.empty() || (line[0] != "settext" && line[0] != "command")) continue;
    std::string joined;
    for (const auto& field : line) joined += (joined.empty() ? "" : " ") + field;
    requests.push_back(joined);
  }
  return requests;
}

std::vector<pid_t> VidraluxDesk::ReadyStandIns() const {
  std::vector<pid_t> pids;
  for (const auto& line : Record()) {
    if (line.size() >= 2 && line[0] == "ready") pids.push_back(static_cast<pid_t>(std::atoi(line[1].c_str())));
  }
  return pids;
}

}  // namespace qav::test
