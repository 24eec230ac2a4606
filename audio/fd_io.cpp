#include "audio/fd_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/fd/fd_write.h"
#include "platform/text.h"

namespace qav {

int64_t ReadUpTo(int fd, void* buffer, size_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd, p + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

bool ReadExactly(int fd, void* buffer, size_t count) {
  return ReadUpTo(fd, buffer, count) == static_cast<int64_t>(count);
}

bool WriteFully(int fd, const void* data, size_t count) {
  return WriteAllToFd(fd, std::string_view(static_cast<const char*>(data), count));
}

bool SeekTo(int fd, int64_t offset) { return offset >= 0 && ::lseek(fd, offset, SEEK_SET) == offset; }

int64_t CurrentOffset(int fd) { return ::lseek(fd, 0, SEEK_CUR); }

int OpenPath(std::u16string_view path, int flags, unsigned mode) {
  const std::string bytes = U8(path);
  if (bytes.empty()) return -1;
  int fd;
  do {
    fd = ::open(bytes.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool PathExists(std::u16string_view path) {
  struct stat st {};
  const std::string bytes = U8(path);
  return !bytes.empty() && ::stat(bytes.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CommitAndClose(int fd) {
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  return synced && closed;
}

FdCloser::~FdCloser() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace qav
