#include "foundation/mem_buf_log_handler.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>

#include "platform/fd/fd_write.h"
#include "foundation/log_record_text.h"

namespace {

std::mutex g_memoryHandlersMutex;

// A record in the ring: this header, then the logger name, source file and message. Each string's
// length has kWideFlag set when it is stored as UTF-16 units, otherwise it is one byte a unit.
struct StoredHeader {
  uint32_t totalBytes;  // 0 marks the place where the ring goes back to offset 0
  int32_t level;
  int64_t timeSeconds;
  int32_t milliseconds;
  uint32_t sequence;
  int32_t sourceLine;
  uint32_t threadId;
  uint32_t processId;
  uint32_t nameLength;
  uint32_t fileLength;
  uint32_t messageLength;
};

constexpr uint32_t kWideFlag = 0x8000'0000u;
constexpr size_t kWrapMarkerBytes = sizeof(uint32_t);
// Even a ring of few slots starts with room for a long record, and may grow to hold several of the
// longest.
constexpr size_t kMinimumBytes = 64 * 1024;
constexpr size_t kMinimumMaxBytes = 1024 * 1024;

bool FitsInBytes(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x100; });
}

uint32_t StoredLength(std::u16string_view text) {
  return static_cast<uint32_t>(text.size()) | (FitsInBytes(text) ? 0 : kWideFlag);
}

size_t StoredBytes(uint32_t storedLength) {
  const size_t units = storedLength & ~kWideFlag;
  return (storedLength & kWideFlag) ? units * 2 : units;
}

unsigned char* StoreText(unsigned char* out, std::u16string_view text, uint32_t storedLength) {
  if (storedLength & kWideFlag) {
    std::memcpy(out, text.data(), text.size() * 2);
    return out + text.size() * 2;
  }
  for (char16_t c : text) *out++ = static_cast<unsigned char>(c);
  return out;
}

const unsigned char* LoadText(const unsigned char* in, uint32_t storedLength, std::u16string& text) {
  const size_t units = storedLength & ~kWideFlag;
  text.resize(units);
  if (storedLength & kWideFlag) {
    std::memcpy(text.data(), in, units * 2);
    return in + units * 2;
  }
  for (size_t i = 0; i < units; ++i) text[i] = in[i];
  return in + units;
}

uint32_t ReadSize(const std::vector<unsigned char>& bytes, size_t offset) {
  uint32_t size = 0;
  std::memcpy(&size, bytes.data() + offset, sizeof size);
  return size;
}

// The offset of the record after the one at `offset`, or of the ring's start where it goes back.
size_t NextRecord(const std::vector<unsigned char>& bytes, size_t offset) {
  offset += ReadSize(bytes, offset);
  return bytes.size() - offset < kWrapMarkerBytes || ReadSize(bytes, offset) == 0 ? 0 : offset;
}

}  // namespace

CMemBufLogHandler::CMemBufLogHandler(int32_t level, int32_t slotCount) : CLogHandler(level) {
  if (slotCount < 2) {
    throw std::invalid_argument(qav::FormatUtf8("CMemBufLogHandler needs at least 2 slots, got %d", slotCount));
  }
  m_maxRecords = static_cast<size_t>(slotCount) - 1;
  m_maxBytes = std::max(static_cast<size_t>(slotCount) * kMaxBytesPerSlot, kMinimumMaxBytes);
  // Value-initialised, so the pages are touched now, not by the first records.
  m_bytes.assign(std::max(static_cast<size_t>(slotCount) * kBytesPerSlot, kMinimumBytes), 0);
}

size_t CMemBufLogHandler::RecordCount() const {
  std::lock_guard lock(g_memoryHandlersMutex);
  return m_count;
}

size_t CMemBufLogHandler::CapacityBytes() const {
  std::lock_guard lock(g_memoryHandlersMutex);
  return m_bytes.size();
}

void CMemBufLogHandler::DropOldest() {
  m_oldest = NextRecord(m_bytes, m_oldest);
  if (--m_count == 0) m_oldest = m_end = 0;
}

// Whether a record of `total` bytes finds room without pushing older records out: after the newest
// or, going back to the ring's start, before the oldest; in a ring that has gone back, between them.
bool CMemBufLogHandler::FitsWithoutDropping(size_t total) const {
  if (m_count == 0) return total <= m_bytes.size();
  if (m_oldest < m_end) return m_bytes.size() - m_end >= total || m_oldest >= total;
  return m_oldest - m_end >= total;
}

// Half as large again, or more when the record needs it, up to the bound; the records move to the
// start of the new ring in their order.
void CMemBufLogHandler::Grow(size_t total) {
  size_t used = 0;
  for (size_t i = 0, offset = m_oldest; i < m_count; ++i, offset = NextRecord(m_bytes, offset)) {
    used += ReadSize(m_bytes, offset);
  }
  const size_t wanted = std::max(m_bytes.size() + m_bytes.size() / 2, used + total + kWrapMarkerBytes);
  std::vector<unsigned char> grown(std::min(wanted, m_maxBytes), 0);
  size_t end = 0;
  for (size_t i = 0, offset = m_oldest; i < m_count; ++i, offset = NextRecord(m_bytes, offset)) {
    const size_t size = ReadSize(m_bytes, offset);
    std::memcpy(grown.data() + end, m_bytes.data() + offset, size);
    end += size;
  }
  m_bytes.swap(grown);
  m_oldest = 0;
  m_end = end;
}

int CMemBufLogHandler::Log(CLogRecord& record) {
  if (!Accepts(record)) return 1;

  std::u16string_view message = record.message;
  std::u16string cutMessage;
  if (message.size() > kMaxMessageUnits) {
    // Not inside a surrogate pair, so the kept text is whole UTF-16.
    size_t kept = kMaxMessageUnits;
    if (message[kept - 1] >= 0xD800 && message[kept - 1] <= 0xDBFF) --kept;
    cutMessage = std::u16string(message.substr(0, kept)) +
                 qav::Format(u" [... %u more characters cut]", static_cast<uint32_t>(message.size() - kept));
    message = cutMessage;
  }
  const std::u16string_view name = record.loggerName.substr(0, kMaxNameUnits);
  const std::u16string_view file = record.sourceFile.substr(0, kMaxNameUnits);

  StoredHeader header{};
  header.level = record.level;
  header.timeSeconds = record.timeSeconds;
  header.milliseconds = record.milliseconds;
  header.sourceLine = record.sourceLine;
  header.threadId = record.threadId;
  header.processId = record.processId;
  header.nameLength = StoredLength(name);
  header.fileLength = StoredLength(file);
  header.messageLength = StoredLength(message);
  const size_t total = sizeof header + StoredBytes(header.nameLength) + StoredBytes(header.fileLength) +
                       StoredBytes(header.messageLength);
  header.totalBytes = static_cast<uint32_t>(total);

  std::lock_guard lock(g_memoryHandlersMutex);
  record.sequence = NextSequence();
  header.sequence = record.sequence;

  if (m_count == m_maxRecords) DropOldest();
  if (!FitsWithoutDropping(total) && m_bytes.size() < m_maxBytes) Grow(total);
  size_t at = m_end;
  if (m_bytes.size() - at < total) {
    // The record goes to the ring's start; the older records between here and the end go first.
    while (m_count > 0 && m_oldest >= at) DropOldest();
    if (m_bytes.size() - at >= kWrapMarkerBytes) std::memset(m_bytes.data() + at, 0, kWrapMarkerBytes);
    at = 0;
  }
  while (m_count > 0 && m_oldest >= at && m_oldest < at + total) DropOldest();
  if (m_count == 0) m_oldest = at;

  unsigned char* out = m_bytes.data() + at;
  std::memcpy(out, &header, sizeof header);
  out += sizeof header;
  out = StoreText(out, name, header.nameLength);
  out = StoreText(out, file, header.fileLength);
  StoreText(out, message, header.messageLength);
  m_end = at + total;
  ++m_count;
  return 1;
}

int CMemBufLogHandler::DumpToFile(std::u16string_view path) const {
  // The ring is copied under the lock and turned into text after it, so logging threads wait for
  // a copy in memory, not for the formatting or the disk.
  std::vector<unsigned char> ring;
  size_t offset = 0;
  size_t count = 0;
  {
    std::lock_guard lock(g_memoryHandlersMutex);
    ring = m_bytes;
    offset = m_oldest;
    count = m_count;
  }

  std::string bytes = "\xFF\xFE";
  CLogRecord record;
  std::u16string name, file, message, text;
  for (size_t i = 0; i < count; ++i, offset = NextRecord(ring, offset)) {
    StoredHeader header{};
    std::memcpy(&header, ring.data() + offset, sizeof header);
    record.level = header.level;
    record.timeSeconds = header.timeSeconds;
    record.milliseconds = header.milliseconds;
    record.sequence = header.sequence;
    record.sourceLine = header.sourceLine;
    record.threadId = header.threadId;
    record.processId = header.processId;
    const unsigned char* in = ring.data() + offset + sizeof header;
    in = LoadText(in, header.nameLength, name);
    in = LoadText(in, header.fileLength, file);
    LoadText(in, header.messageLength, message);
    record.loggerName = name;
    record.sourceFile = file;
    record.message = message;
    text.clear();
    AppendLogRecordText(record, text);
    bytes += qav::TextToUtf16LeBytes(text);
  }

  const int fd = open(qav::U8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return 0;
  const bool written = qav::WriteAllToFd(fd, bytes);
  const bool closed = close(fd) == 0;
  return written && closed ? 1 : 0;
}
