// Log handler that keeps the latest records in a ring in memory, for problem reports.
//
// The ring has N slots. Records go to slots 1..N-1 in turn and the index wraps to 1, not 0, so
// the ring holds the latest N-1 records and slot 0 stays empty. DumpToFile writes them oldest
// first as UTF-16LE after a byte-order mark, each record's text as it is (it begins with its own
// "\r\n"), so a dump can be attached to a report whatever the record lengths.
//
// Threading: all memory handlers share one lock, held from taking the record's sequence number to
// the end of the store, so a dump shows one handler's records in strictly increasing sequence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/logger.h"

class CMemBufLogHandler : public CLogHandler {
 public:
  // Throws std::invalid_argument for fewer than 2 slots: such a ring could hold no record.
  CMemBufLogHandler(int32_t level, int32_t slotCount);

  int Log(CLogRecord& record) override;

  // Creates or truncates the file and writes the ring into it. 1 on success; 0 when the file
  // cannot be created (then nothing is written) or the write falls short.
  int DumpToFile(std::u16string_view path) const;

 private:
  std::vector<std::u16string> m_slots;  // under the memory handlers' lock
  size_t m_next = 1;
};
