#include "audio/memory_file.h"

#include <algorithm>
#include <cstring>

namespace qav {

MemoryFile::MemoryFile(size_t growBytes) : growBytes_(growBytes ? growBytes : 1) {}

size_t MemoryFile::Read(void* buffer, size_t count) {
  if (position_ >= data_.size()) return 0;
  const size_t n = std::min<uint64_t>(count, data_.size() - position_);
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

void MemoryFile::Write(const void* data, size_t count) {
  if (count == 0) return;
  const uint64_t end = position_ + count;
  if (end > data_.capacity()) {
    // Whole steps, so that appending block after block reallocates once per step.
    const uint64_t steps = (end + growBytes_ - 1) / growBytes_;
    data_.reserve(steps * growBytes_);
  }
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, data, count);
  position_ = end;
}

int64_t MemoryFile::Seek(int64_t offset, SeekFrom from) {
  int64_t base = 0;
  if (from == SeekFrom::kCurrent) base = static_cast<int64_t>(position_);
  if (from == SeekFrom::kEnd) base = static_cast<int64_t>(data_.size());
  const int64_t target = base + offset;
  if (target < 0) return -1;
  position_ = static_cast<uint64_t>(target);
  return target;
}

}  // namespace qav
