#include "audio/beep_generator.h"

#include <cmath>

namespace {
// 2 pi x 666 Hz.
constexpr double kRadiansPerSecond = 4184.601414581604;
constexpr double kLevel = 0.65 * 32767;
}  // namespace

void CBeepGenerator::Reset(double step) {
  m_pending = 0;
  m_step = step > 0 ? step : kStep;
  m_sample = 0;
}

void CBeepGenerator::AddBeep() {
  if (m_pending == 0) m_sample = 0;
  ++m_pending;
}

int CBeepGenerator::Generate(int16_t* samples, size_t count) {
  if (m_pending == 0) return 0;
  const auto period = static_cast<uint64_t>(std::llround(kPeriod / m_step));
  const auto tone = static_cast<uint64_t>(std::llround(kTone / m_step));
  for (size_t i = 0; i < count; ++i) {
    if (m_sample < tone) {
      const double t = static_cast<double>(m_sample) * m_step;
      samples[i] = static_cast<int16_t>(std::sin(t * kRadiansPerSecond) * kLevel);  // truncated toward zero
    } else {
      samples[i] = 0;
    }
    if (++m_sample >= period) {
      m_sample = 0;
      if (--m_pending == 0) break;
    }
  }
  return 1;
}
