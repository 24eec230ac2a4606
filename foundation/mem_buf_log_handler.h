// Log handler that keeps the latest records in a ring in memory, for problem reports.
//
// A ring of N slots holds the latest N-1 records (a slot stays empty, as the ring's size has
// always meant). The records live in one byte ring allocated and touched when the handler is made,
// so logging never allocates and the ring's memory is the same from the first record to the last:
// each record is kept as its fields, not as its text, with every string stored one byte a
// character when it can be. The byte ring holds N * kBytesPerSlot bytes (64 KiB at least); should records be so long
// that they do not fit, the oldest leave early, so the bytes stay bounded whatever is logged.
//
// DumpToFile writes the records oldest first as UTF-16LE after a byte-order mark, each record's
// text as the file log shows it (it begins with its own "\r\n"), so a dump can be attached to a
// report whatever the record lengths.
//
// Threading: all memory handlers share one lock, held from taking the record's sequence number to
// the end of the store, so a dump shows one handler's records in strictly increasing sequence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "foundation/logger.h"

class CMemBufLogHandler : public CLogHandler {
 public:
  static constexpr size_t kBytesPerSlot = 128;

  // Throws std::invalid_argument for fewer than 2 slots: such a ring could hold no record.
  CMemBufLogHandler(int32_t level, int32_t slotCount);

  int Log(CLogRecord& record) override;

  // Creates or truncates the file and writes the ring into it. 1 on success; 0 when the file
  // cannot be created (then nothing is written) or the write falls short.
  int DumpToFile(std::u16string_view path) const;

  // The ring's bytes, fixed when the handler is made.
  size_t CapacityBytes() const { return m_bytes.size(); }
  // The records held now.
  size_t RecordCount() const;

 private:
  size_t Normalized(size_t offset) const;
  void DropOldest();

  std::vector<unsigned char> m_bytes;  // under the memory handlers' lock, like the fields below
  size_t m_maxRecords;
  size_t m_oldest = 0;  // offset of the oldest record
  size_t m_end = 0;     // offset just past the newest record
  size_t m_count = 0;
};
