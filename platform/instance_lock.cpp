#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/desktop_directory.h"

namespace qav {
namespace {

constexpr size_t kMaxNameBytes = 200;
constexpr char kLockFolder[] = "/mutex";
// How often a waiting copy looks again; the old copy's exit is what it waits for.
constexpr auto kRetryInterval = std::chrono::milliseconds(20);

bool IsPlainNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

std::string FileName(std::string_view name) {
  std::string file;
  for (char c : name) {
    if (IsPlainNameChar(c)) {
      file.push_back(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
      file += escaped;
    }
  }
  return file;
}

bool UsableName(std::string_view name) { return !name.empty() && name.size() <= kMaxNameBytes; }

int FlockNoWait(int fd, int operation) {
  int result;
  while ((result = flock(fd, operation | LOCK_NB)) != 0 && errno == EINTR) {
  }
  return result;
}

}  // namespace

std::string InstanceLockPath(std::string_view name) {
  if (!UsableName(name)) return {};
  return DesktopDirectory() + kLockFolder + "/" + FileName(name);
}

bool InstanceLock::TryAcquire(std::string_view name) {
  Release();
  if (!UsableName(name)) return false;
  const std::string desktop = OpenDesktopDirectory();
  if (desktop.empty()) return false;
  const std::string folder = desktop + kLockFolder;
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  const int fd = open((folder + "/" + FileName(name)).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (FlockNoWait(fd, LOCK_EX) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool InstanceLock::AcquireWithin(std::string_view name, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  while (!TryAcquire(name)) {
    if (!UsableName(name) || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kRetryInterval);
  }
  return true;
}

void InstanceLock::Release() {
  if (fd_ < 0) return;
  close(fd_);  // closing the only descriptor of the open file lets the lock go
  fd_ = -1;
}

bool IsInstanceLockHeld(std::string_view name) {
  const std::string path = InstanceLockPath(name);
  if (path.empty()) return false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool held = FlockNoWait(fd, LOCK_SH) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held;
}

}  // namespace qav
