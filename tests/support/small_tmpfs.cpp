#include "tests/support/small_tmpfs.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

namespace qav::test {

namespace {
constexpr int kCannotMount = 77;

bool WriteProcFile(const char* path, const std::string& text) {
  const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return written;
}

// A mount namespace of the child's own: root gets one at once; another user gets one inside a user
// namespace of its own, where it is root over its own files, where the machine allows that.
bool EnterOwnMountNamespace() {
  if (unshare(CLONE_NEWNS) == 0) return true;
  const uid_t uid = geteuid();
  const gid_t gid = getegid();
  if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
  return WriteProcFile("/proc/self/setgroups", "deny") &&
         WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
         WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}
}  // namespace

const char* const kNeedsSecondFileSystem =
    "needs a second file system: a tmpfs in a mount namespace of its own, which takes root or "
    "unprivileged user namespaces (kernel.unprivileged_userns_clone=1)";

std::string NoiseBytes(size_t count, unsigned seed) {
  std::string noise(count, '\0');
  std::mt19937 random(seed);
  for (char& c : noise) c = static_cast<char>(random());
  return noise;
}

std::optional<int> RunOnSmallTmpfs(const std::string& point, const std::string& size,
                                   const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    if (!EnterOwnMountNamespace() || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", point.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0) {
      _exit(kCannotMount);
    }
    _exit(body());
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  if (WEXITSTATUS(status) == kCannotMount) return std::nullopt;
  return WEXITSTATUS(status);
}

}  // namespace qav::test
