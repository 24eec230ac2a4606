// Log handler that keeps the latest records in a ring in memory, for problem reports.
//
// A ring of N slots holds the latest N-1 records (a slot stays empty, as the ring's size has
// always meant). Each record is kept as its fields, not as its text, with every string stored one
// byte a character when it can be, one after another in a byte ring. The ring starts at
// N * kBytesPerSlot bytes (64 KiB at least), about what N typical records take, and grows when the
// latest N-1 records need more, up to N * kMaxBytesPerSlot (1 MiB at least): records that long on
// average are not a trace but a flood, and only then do the oldest leave before N-1 are held, so
// the memory stays bounded whatever is logged.
//
// One record's message is kept whole up to kMaxMessageUnits UTF-16 units, which holds the longest
// line the program itself makes (a text greeting of 32,767 units sent to the call client as a chat
// command). Longer ones can only come from outside (a line of the call client, a server's reply)
// and are cut there, with a note of how much was cut; the logger's name and the source file are
// cut at kMaxNameUnits.
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
  static constexpr size_t kMaxBytesPerSlot = 1024;
  static constexpr size_t kMaxMessageUnits = 65536;
  static constexpr size_t kMaxNameUnits = 1024;

  // Throws std::invalid_argument for fewer than 2 slots: such a ring could hold no record.
  CMemBufLogHandler(int32_t level, int32_t slotCount);

  int Log(CLogRecord& record) override;

  // Creates or truncates the file and writes the ring into it. 1 on success; 0 when the file
  // cannot be created (then nothing is written) or the write falls short.
  int DumpToFile(std::u16string_view path) const;

  // The ring's bytes now, and the most it may grow to.
  size_t CapacityBytes() const;
  size_t MaxCapacityBytes() const { return m_maxBytes; }
  // The records held now.
  size_t RecordCount() const;

 private:
  void DropOldest();
  bool FitsWithoutDropping(size_t total) const;
  void Grow(size_t total);

  std::vector<unsigned char> m_bytes;  // under the memory handlers' lock, like the fields below
  size_t m_maxRecords;
  size_t m_maxBytes;
  size_t m_oldest = 0;  // offset of the oldest record
  size_t m_end = 0;     // offset just past the newest record
  size_t m_count = 0;
};
