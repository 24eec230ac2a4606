#include "foundation/file_log_handler.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "platform/fd/fd_write.h"
#include "foundation/log_record_text.h"

namespace {

// One lock for every file handler: two handlers may share a base path.
std::mutex g_fileHandlersMutex;

// The record's UTF-8 bytes, cut to at most `limit` bytes without splitting a character.
std::string CutUtf8(std::string bytes, size_t limit) {
  if (bytes.size() <= limit) return bytes;
  size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
  bytes.resize(cut);
  return bytes;
}

}  // namespace

CFileLogHandler::CFileLogHandler(int32_t level, std::u16string basePath, int32_t maxSizeBytes, bool toStandardError)
    : CLogHandler(level),
      m_basePath(std::move(basePath)),
      m_maxSizeBytes(maxSizeBytes),
      m_toStandardError(toStandardError) {
  std::lock_guard lock(g_fileHandlersMutex);
  const std::string first = qav::U8(FilePath(0));
  // rename() replaces an older ".bak" in one step; a missing log is nothing to keep.
  std::rename(first.c_str(), (first + ".bak").c_str());
}

std::u16string CFileLogHandler::FilePath(int index) const { return qav::Format(u"%s_%d.log", m_basePath, index); }

std::u16string CFileLogHandler::GetCurrentFilePath() const {
  std::lock_guard lock(g_fileHandlersMutex);
  return FilePath(m_fileIndex);
}

int CFileLogHandler::Log(CLogRecord& record) {
  if (!Accepts(record)) return 1;
  std::lock_guard lock(g_fileHandlersMutex);
  record.sequence = NextSequence();

  int fd = STDERR_FILENO;
  if (!m_toStandardError) {
    fd = open(qav::U8(FilePath(m_fileIndex)).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return 0;
    struct stat info {};
    if (fstat(fd, &info) != 0) {
      close(fd);
      return 0;
    }
    if (info.st_size >= m_maxSizeBytes) {
      // This record still goes to the full file; the next one starts the other file afresh.
      m_fileIndex = 1 - m_fileIndex;
      unlink(qav::U8(FilePath(m_fileIndex)).c_str());
    }
  }

  // The record's text is built in storage kept from record to record (under the lock).
  m_text.clear();
  AppendLogRecordText(record, m_text);
  const std::string bytes = CutUtf8(qav::U8(m_text), kMaxRecordBytes);
  const bool written = qav::WriteAllToFd(fd, bytes);
  if (fd != STDERR_FILENO) close(fd);
  return written ? 1 : 0;
}
