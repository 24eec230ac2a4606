#include "foundation/mem_buf_log_handler.h"

#include <fcntl.h>
#include <unistd.h>

#include <mutex>
#include <stdexcept>

#include "platform/fd/fd_write.h"
#include "foundation/log_record_text.h"

namespace {

std::mutex g_memoryHandlersMutex;

}  // namespace

CMemBufLogHandler::CMemBufLogHandler(int32_t level, int32_t slotCount) : CLogHandler(level) {
  if (slotCount < 2) {
    throw std::invalid_argument(qav::FormatUtf8("CMemBufLogHandler needs at least 2 slots, got %d", slotCount));
  }
  m_slots.resize(static_cast<size_t>(slotCount));
}

int CMemBufLogHandler::Log(CLogRecord& record) {
  if (!Accepts(record)) return 1;
  std::lock_guard lock(g_memoryHandlersMutex);
  record.sequence = NextSequence();
  std::u16string& slot = m_slots[m_next];
  slot.clear();  // keeps the slot's storage, so a full ring stops allocating
  AppendLogRecordText(record, slot);
  if (++m_next == m_slots.size()) m_next = 1;
  return 1;
}

int CMemBufLogHandler::DumpToFile(std::u16string_view path) const {
  // The bytes are gathered under the lock and written after it, so logging threads wait for a
  // copy in memory, not for the disk.
  std::string bytes = "\xFF\xFE";
  {
    std::lock_guard lock(g_memoryHandlersMutex);
    size_t total = 0;
    for (const std::u16string& slot : m_slots) total += slot.size();
    bytes.reserve(2 + total * 2);
    for (size_t i = m_next; i < m_slots.size(); ++i) bytes += qav::TextToUtf16LeBytes(m_slots[i]);
    for (size_t i = 0; i < m_next; ++i) bytes += qav::TextToUtf16LeBytes(m_slots[i]);
  }

  const int fd = open(qav::U8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return 0;
  const bool written = qav::WriteAllToFd(fd, bytes);
  const bool closed = close(fd) == 0;
  return written && closed ? 1 : 0;
}
