// The results of a voice analysis: one entry per analysed block (the byte offset in the file where
// the block began, its level and its value), the normalisation run after the last entry, and the
// lookups the player makes while the file plays.
//
// Entry 0 stands for the start of the data (value 0, level 0) and the last entry closes the file
// (value 0, level 0, file length + 256); an entry covers the bytes from its offset up to the next
// entry's. Offsets never decrease.
//
// Threading: filled by the analysis worker, then read by the GUI thread once the worker is done.
// The offset lookups remember where the last one ended, so they are not const.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qav {

// The meter for p = (value - minimum) x 100 / range: 2 for 0 and below, rising through 10-24,
// 30-44, 40-58, 60-78 to 80-100; -1 above 100.
int VsaMeterFromPercent(int percent);

class VsaResults {
 public:
  static constexpr uint16_t kInitialMinimum = 40;

  VsaResults();

  // No entries (each array holds one zero entry), search position 0, maximum 0, minimum 40,
  // range 1.
  void Reset();
  void Append(uint16_t value, uint16_t level, int64_t offset);
  // Entries whose level is below the mean level lose their value; the others set the maximum and
  // the minimum value; every level becomes a percentage of the largest (taken as 1 when all are 0).
  // Range = maximum - minimum + 1.
  void Normalise();

  int GetCount() const { return m_count; }
  // -1 when i < 0 or i >= count; 0 for a value of 0; else (value - minimum) x 100 / range.
  int GetValuePercentAt(int i) const;
  // -1 when i < 0 or i >= count; else the level.
  int GetLevelAt(int i) const;
  // The entry whose block holds the offset, -1 when none (before entry 0, at or past the closing
  // entry, no entries). The search walks from where the last one ended.
  int GetBlockIndexAtOffset(int64_t offset);
  // VsaMeterFromPercent for the entry at the offset (2 for an entry whose value is 0); -1 when none.
  int GetMeterAtOffset(int64_t offset);
  // The level of the entry at the offset; -1 when none.
  int GetLevelAtOffset(int64_t offset);

  uint16_t GetValueAt(int i) const { return m_values[static_cast<size_t>(i)]; }
  int64_t GetOffsetAt(int i) const { return m_offsets[static_cast<size_t>(i)]; }
  uint16_t GetMaximumValue() const { return m_maximum; }
  uint16_t GetMinimumValue() const { return m_minimum; }
  uint16_t GetRange() const { return m_range; }

 private:
  bool InRange(int i) const { return i >= 0 && i < m_count; }
  int PercentOf(uint16_t value) const;

  std::vector<uint16_t> m_values;
  std::vector<uint16_t> m_levels;
  std::vector<int64_t> m_offsets;
  int m_count = 0;
  int m_searchPosition = 0;
  uint16_t m_maximum = 0;
  uint16_t m_minimum = kInitialMinimum;
  uint16_t m_range = 1;
};

}  // namespace qav
