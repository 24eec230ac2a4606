#include "audio/vsa_results.h"

#include <algorithm>

namespace qav {

int VsaMeterFromPercent(int p) {
  if (p <= 0) return 2;
  if (p < 50) return 10 + 3 * p / 10;
  if (p < 70) return 30 + 3 * (p - 50) / 4;
  if (p < 85) return 40 + 4 * (p - 70) / 3;
  if (p < 95) return 60 + 2 * (p - 85);
  if (p <= 100) return 80 + 4 * (p - 95);
  return -1;
}

VsaResults::VsaResults() { Reset(); }

void VsaResults::Reset() {
  m_values.assign(1, 0);
  m_levels.assign(1, 0);
  m_offsets.assign(1, 0);
  m_count = 0;
  m_searchPosition = 0;
  m_maximum = 0;
  m_minimum = kInitialMinimum;
  m_range = 1;
}

void VsaResults::Append(uint16_t value, uint16_t level, int64_t offset) {
  const auto at = static_cast<size_t>(m_count);
  if (at < m_values.size()) {
    m_values[at] = value;
    m_levels[at] = level;
    m_offsets[at] = offset;
  } else {
    m_values.push_back(value);
    m_levels.push_back(level);
    m_offsets.push_back(offset);
  }
  ++m_count;
}

void VsaResults::Normalise() {
  if (m_count == 0) return;
  const auto count = static_cast<size_t>(m_count);
  uint64_t sum = 0;
  uint16_t largest = 0;
  for (size_t i = 0; i < count; ++i) {
    sum += m_levels[i];
    largest = std::max(largest, m_levels[i]);
  }
  if (largest == 0) largest = 1;
  const uint64_t mean = sum / count;

  for (size_t i = 0; i < count; ++i) {
    if (m_levels[i] < mean) {
      m_values[i] = 0;
    } else {
      m_maximum = std::max(m_maximum, m_values[i]);
      m_minimum = std::min(m_minimum, m_values[i]);
    }
    m_levels[i] = static_cast<uint16_t>(uint32_t{m_levels[i]} * 100 / largest);
  }
  // The entry with the largest level is never below the mean, so the minimum is at most the maximum.
  m_range = static_cast<uint16_t>(m_maximum - m_minimum + 1);
}

int VsaResults::PercentOf(uint16_t value) const {
  return (static_cast<int>(value) - static_cast<int>(m_minimum)) * 100 / static_cast<int>(m_range);
}

int VsaResults::GetValuePercentAt(int i) const {
  if (!InRange(i)) return -1;
  const uint16_t value = m_values[static_cast<size_t>(i)];
  return value == 0 ? 0 : PercentOf(value);
}

int VsaResults::GetLevelAt(int i) const { return InRange(i) ? m_levels[static_cast<size_t>(i)] : -1; }

int VsaResults::GetBlockIndexAtOffset(int64_t offset) {
  if (m_count == 0) return -1;
  int at = std::clamp(m_searchPosition, 0, m_count - 1);
  // Offsets never decrease, so the walk goes one way only; it ends within count steps.
  while (true) {
    if (offset < m_offsets[static_cast<size_t>(at)]) {
      if (at == 0) {
        m_searchPosition = 0;
        return -1;
      }
      --at;
      continue;
    }
    if (at + 1 >= m_count) {  // at or past the closing entry
      m_searchPosition = 0;
      return -1;
    }
    if (offset < m_offsets[static_cast<size_t>(at + 1)]) {
      m_searchPosition = at;
      return at;
    }
    ++at;
  }
}

int VsaResults::GetMeterAtOffset(int64_t offset) {
  const int at = GetBlockIndexAtOffset(offset);
  if (at < 0) return -1;
  const uint16_t value = m_values[static_cast<size_t>(at)];
  if (value == 0) return 2;
  return VsaMeterFromPercent(PercentOf(value));
}

int VsaResults::GetLevelAtOffset(int64_t offset) {
  const int at = GetBlockIndexAtOffset(offset);
  return at < 0 ? -1 : m_levels[static_cast<size_t>(at)];
}

}  // namespace qav
