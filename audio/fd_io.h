// Reads and writes on file descriptors that do not stop half-way: interrupted and short transfers
// are continued, so callers see whole transfers, the end of the file, or an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qav {

// Reads until `count` bytes or the end of the file; returns the bytes read, -1 on an error.
int64_t ReadUpTo(int fd, void* buffer, size_t count);
// True when exactly `count` bytes were read.
bool ReadExactly(int fd, void* buffer, size_t count);
// True when all `count` bytes were written.
bool WriteFully(int fd, const void* data, size_t count);
// Seeks to an absolute offset; false on failure.
bool SeekTo(int fd, int64_t offset);
// The current offset, -1 on failure.
int64_t CurrentOffset(int fd);

// Writes the file's data to the disk and closes it; false when either fails (the descriptor is
// closed in every case).
bool CommitAndClose(int fd);

// Opens a file by its program path (UTF-16, "/" separators), with O_CLOEXEC added; -1 on failure.
int OpenPath(std::u16string_view path, int flags, unsigned mode = 0);
bool PathExists(std::u16string_view path);

// Closes a descriptor when it goes out of scope, unless released.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser();
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

}  // namespace qav
