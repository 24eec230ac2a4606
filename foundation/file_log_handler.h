// Log handler that appends each record to one of two alternating text files.
//
// The files are base path + "_0.log" and base path + "_1.log". A file that has reached the size
// limit takes one more record; then the handler switches to the other file and deletes it, so at
// most about twice the limit stays on disk. Each record is written as UTF-8 and cut to its first
// 2048 bytes (on a character boundary). The file is opened and closed for every record, so the log
// can be read, moved or deleted while the program runs.
//
// Construction moves an existing "_0.log" to "_0.log.bak" (replacing an older one), so the log of
// the previous run survives one restart. With the to-standard-error flag the records go to the
// standard error stream instead and no file is opened.
//
// Threading: all file handlers share one lock, held from taking the record's sequence number to the
// end of the write, so one handler's sequence numbers increase strictly in the order of its output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/logger.h"

class CFileLogHandler : public CLogHandler {
 public:
  // The longest record text written, in UTF-8 bytes.
  static constexpr size_t kMaxRecordBytes = 2048;

  CFileLogHandler(int32_t level, std::u16string basePath, int32_t maxSizeBytes, bool toStandardError);

  // 1 when written or filtered out; 0 when the file cannot be opened or sized, or the write falls
  // short.
  int Log(CLogRecord& record) override;

  // The file that the next record goes to.
  std::u16string GetCurrentFilePath() const;

 private:
  std::u16string FilePath(int index) const;

  const std::u16string m_basePath;
  const int32_t m_maxSizeBytes;
  const bool m_toStandardError;
  int m_fileIndex = 0;  // under the file handlers' lock
  std::u16string m_text;  // the record being written, under the file handlers' lock
};
