#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <thread>

#include "platform/crash_signals.h"
#include "platform/text.h"

extern char** environ;

namespace qav {

std::vector<std::u16string> SplitWindowsArguments(std::u16string_view text) {
  std::vector<std::u16string> arguments;
  std::u16string current;
  bool inArgument = false;  // something (even "") has been seen for the current argument
  bool quoted = false;
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if ((c == u' ' || c == u'\t') && !quoted) {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
      ++i;
      continue;
    }
    inArgument = true;
    if (c == u'\\') {
      size_t backslashes = 0;
      while (i < text.size() && text[i] == u'\\') ++backslashes, ++i;
      if (i < text.size() && text[i] == u'"') {
        current.append(backslashes / 2, u'\\');
        if (backslashes % 2 == 1) {
          current.push_back(u'"');
          ++i;
        }
        // An even count leaves the quote for the next round, where it opens or closes.
      } else {
        current.append(backslashes, u'\\');
      }
      continue;
    }
    if (c == u'"') {
      if (quoted && i + 1 < text.size() && text[i + 1] == u'"') {
        current.push_back(u'"');
        i += 2;
        continue;
      }
      quoted = !quoted;
      ++i;
      continue;
    }
    current.push_back(c);
    ++i;
  }
  if (inArgument) arguments.push_back(std::move(current));
  return arguments;
}

namespace {

// Owns everything posix_spawn needs and frees it whatever happens.
class SpawnRequest {
 public:
  explicit SpawnRequest(const ProcessLaunch& launch) {
    program_ = Utf16ToUtf8(launch.program);
    if (!program_.empty() && program_[0] != '/' && program_.find('/') != std::string::npos) {
      // The working folder change happens in the child, before the program is looked up, so a
      // relative path is made absolute here against the caller's current folder.
      char cwd[PATH_MAX];
      if (getcwd(cwd, sizeof cwd) != nullptr) program_ = std::string(cwd) + "/" + program_;
    }
    texts_.push_back(Utf16ToUtf8(launch.program));
    for (const auto& argument : launch.arguments) texts_.push_back(Utf16ToUtf8(argument));
    for (auto& text : texts_) argv_.push_back(text.data());
    argv_.push_back(nullptr);
    folder_ = Utf16ToUtf8(launch.folder);

    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attributes_);
  }
  ~SpawnRequest() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
  }
  SpawnRequest(const SpawnRequest&) = delete;
  SpawnRequest& operator=(const SpawnRequest&) = delete;

  // The child's pid, or -1.
  pid_t Start(bool newSession) {
    if (program_.empty()) return -1;
    if (!folder_.empty() && posix_spawn_file_actions_addchdir_np(&actions_, folder_.c_str()) != 0) return -1;
    if (posix_spawn_file_actions_addclosefrom_np(&actions_, 3) != 0) return -1;
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (newSession) flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setsigdefault(&attributes_, &all);
    posix_spawnattr_setflags(&attributes_, flags);

    pid_t pid = -1;
    const bool searchPath = program_.find('/') == std::string::npos;
    const int error = searchPath ? posix_spawnp(&pid, program_.c_str(), &actions_, &attributes_, argv_.data(), environ)
                                 : posix_spawn(&pid, program_.c_str(), &actions_, &attributes_, argv_.data(), environ);
    return error == 0 ? pid : -1;
  }

 private:
  std::string program_;
  std::string folder_;
  std::vector<std::string> texts_;
  std::vector<char*> argv_;
  posix_spawn_file_actions_t actions_{};
  posix_spawnattr_t attributes_{};
};

// The exit code of an ended child, or -1 when it cannot be waited for.
int WaitForExit(pid_t pid) {
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, 0);
    if (done == pid) break;
    if (done < 0 && errno == EINTR) continue;
    return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

int SpawnAndWait(const ProcessLaunch& launch) {
  SpawnRequest request(launch);
  const pid_t pid = request.Start(false);
  if (pid < 0) return -1;
  return WaitForExit(pid);
}

pid_t SpawnDetached(const ProcessLaunch& launch, std::function<void(int)> onExit) {
  SpawnRequest request(launch);
  const pid_t pid = request.Start(true);
  if (pid < 0) return -1;
  // The child outlives this call; a small thread waits for it so that it does not stay a zombie.
  std::thread([pid, onExit = std::move(onExit)] {
    PrepareThreadForCrashes();
    const int code = WaitForExit(pid);
    if (onExit) onExit(code);
  }).detach();
  return pid;
}

}  // namespace qav
