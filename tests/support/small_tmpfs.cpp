#include "tests/support/small_tmpfs.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

namespace qav::test {

namespace {
constexpr int kCannotMount = 77;
}

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
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
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
