// A file held in memory: a byte buffer with a read/write position, as the class library's memory
// file. The language loader reads the built-in language file through one, and the greetings held
// in memory are built in them.
//
// Not thread-safe: one owner at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CMemFile {
 public:
  enum SeekFrom { begin = 0, current = 1, end = 2 };

  // The buffer grows in steps of `growBytes` (at least 1), so a file that grows piece by piece
  // is reallocated only now and then.
  explicit CMemFile(size_t growBytes = 1024);

  // Copies up to `count` bytes from the position on and moves the position past them. Returns the
  // number of bytes copied (0 at or past the end).
  size_t Read(void* buffer, size_t count);
  // Writes at the position, lengthening the file as needed (a gap left by a seek past the end
  // reads as zeros), and moves the position past the bytes.
  void Write(const void* bytes, size_t count);
  // Moves the position and returns the new one; a position before the start is refused with -1
  // and the position stays. A position past the end is allowed (the next write fills the gap).
  int64_t Seek(int64_t offset, SeekFrom from);
  void SeekToBegin() { m_position = 0; }
  // Gives back the room grown beyond the length (a file that is complete and only read now).
  void ShrinkToFit() { m_bytes.shrink_to_fit(); }
  uint64_t SeekToEnd();

  uint64_t GetPosition() const { return m_position; }
  uint64_t GetLength() const { return m_bytes.size(); }
  // Cuts or lengthens (with zeros) the file; the position is kept, even past a new end.
  void SetLength(uint64_t length);

  // The whole content.
  std::span<const uint8_t> GetData() const { return m_bytes; }

 private:
  void Reserve(size_t length);

  size_t m_growBytes;
  std::vector<uint8_t> m_bytes;
  uint64_t m_position = 0;
};
