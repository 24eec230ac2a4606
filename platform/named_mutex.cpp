#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/desktop_directory.h"

namespace qav {
namespace {

constexpr size_t kMaxNameBytes = 200;
constexpr char kMutexFolder[] = "/mutex";

bool UsableName(std::string_view name) { return !name.empty() && name.size() <= kMaxNameBytes; }

}  // namespace

NamedMutex& NamedMutex::operator=(NamedMutex&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

std::string NamedMutexPath(std::string_view name) {
  if (!UsableName(name)) return {};
  return DesktopDirectory() + kMutexFolder + "/" + EscapeDesktopName(name);
}

bool NamedMutex::TryAcquire(std::string_view name) {
  Release();
  if (!UsableName(name)) return false;
  const std::string desktop = OpenDesktopDirectory();
  if (desktop.empty()) return false;
  const std::string folder = desktop + kMutexFolder;
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  const int fd = open((folder + "/" + EscapeDesktopName(name)).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  int locked;
  while ((locked = flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (locked != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool NamedMutex::AcquireWithin(std::string_view name, int timeoutMs) {
  // The owner being waited for lets go when its process ends; looking again every 20 ms keeps the
  // wait short without a lock file watch.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  while (!TryAcquire(name)) {
    if (!UsableName(name) || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void NamedMutex::Release() {
  if (fd_ < 0) return;
  close(fd_);  // closing the only descriptor of the open file lets the lock go
  fd_ = -1;
}

bool IsNamedMutexHeld(std::string_view name) {
  const std::string path = NamedMutexPath(name);
  if (path.empty()) return false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  int locked;
  while ((locked = flock(fd, LOCK_SH | LOCK_NB)) != 0 && errno == EINTR) {
  }
  const bool held = locked != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held;
}

}  // namespace qav
