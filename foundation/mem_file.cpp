#include "foundation/mem_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

CMemFile::CMemFile(size_t growBytes) : m_growBytes(std::max<size_t>(growBytes, 1)) {}

void CMemFile::Reserve(size_t length) {
  if (length <= m_bytes.capacity()) return;
  const size_t steps = (length + m_growBytes - 1) / m_growBytes;
  m_bytes.reserve(steps * m_growBytes);
}

size_t CMemFile::Read(void* buffer, size_t count) {
  if (m_position >= m_bytes.size()) return 0;
  const size_t available = m_bytes.size() - static_cast<size_t>(m_position);
  const size_t n = std::min(count, available);
  if (n > 0) std::memcpy(buffer, m_bytes.data() + m_position, n);
  m_position += n;
  return n;
}

void CMemFile::Write(const void* bytes, size_t count) {
  if (count == 0) return;
  const size_t endOfWrite = static_cast<size_t>(m_position) + count;
  if (endOfWrite > m_bytes.size()) {
    Reserve(endOfWrite);
    m_bytes.resize(endOfWrite);
  }
  std::memcpy(m_bytes.data() + m_position, bytes, count);
  m_position = endOfWrite;
}

int64_t CMemFile::Seek(int64_t offset, SeekFrom from) {
  int64_t base = 0;
  if (from == current) base = static_cast<int64_t>(m_position);
  if (from == end) base = static_cast<int64_t>(m_bytes.size());
  if ((offset < 0 && base + offset < 0) ||
      (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset)) {
    return -1;
  }
  m_position = static_cast<uint64_t>(base + offset);
  return static_cast<int64_t>(m_position);
}

uint64_t CMemFile::SeekToEnd() {
  m_position = m_bytes.size();
  return m_position;
}

void CMemFile::SetLength(uint64_t length) {
  Reserve(static_cast<size_t>(length));
  m_bytes.resize(static_cast<size_t>(length));
}
