// A file held in memory: bytes with a position, read, written and seeked like a file on disk.
//
// It holds the samples of a greeting in memory. The storage grows in fixed steps (set at
// construction), so that a file that is written piece by piece is reallocated only now and then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qav {

class MemoryFile {
 public:
  enum class SeekFrom { kBegin, kCurrent, kEnd };

  explicit MemoryFile(size_t growBytes = 65536);

  // Reads up to `count` bytes at the position and moves past them; returns the bytes read (0 at
  // the end).
  size_t Read(void* buffer, size_t count);
  // Writes at the position, growing the file when the write goes past its end; moves past them.
  void Write(const void* data, size_t count);
  // Moves the position; returns the new position, or -1 (position unchanged) for a place before
  // the start. A position past the end is allowed; reads there give 0 bytes.
  int64_t Seek(int64_t offset, SeekFrom from);
  void SeekToBegin() { position_ = 0; }
  void SeekToEnd() { position_ = data_.size(); }
  uint64_t GetPosition() const { return position_; }
  uint64_t GetLength() const { return data_.size(); }
  const uint8_t* Data() const { return data_.data(); }

 private:
  size_t growBytes_;
  std::vector<uint8_t> data_;
  uint64_t position_ = 0;
};

}  // namespace qav
