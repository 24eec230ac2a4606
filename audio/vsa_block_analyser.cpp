#include "audio/vsa_block_analyser.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qav {
namespace {

// The level looks at the middle two half-blocks of the ring, where the window is near its top.
constexpr int kLevelFirst = 7168;
constexpr int kLevelLast = 9215;
constexpr double kLevelDivisor = 8192.0;

constexpr int kFirstK = 95;
constexpr int kStepK = 6;
constexpr int kPointsPerGap = 5;
constexpr int kPointCount = (kVsaFrequencyCount - 1) * kPointsPerGap + 1;  // 41

double AngleOf(int frequencyIndex) {
  return (kFirstK + kStepK * frequencyIndex) * std::numbers::pi / 65536.0;
}

}  // namespace

VsaBlockAnalyser::VsaBlockAnalyser()
    : m_ring(kVsaWindowSamples, 0), m_window(kVsaWindowSamples), m_windowed(kVsaWindowSamples, 0.0) {
  for (int i = 0; i < kVsaWindowSamples; ++i) {
    m_window[static_cast<size_t>(i)] = 1.0 - std::cos(2.0 * std::numbers::pi * i / kVsaWindowSamples);
  }
}

void VsaBlockAnalyser::Clear() {
  std::fill(m_ring.begin(), m_ring.end(), int16_t{0});
  std::fill(m_windowed.begin(), m_windowed.end(), 0.0);
  m_nextSlot = 0;
}

void VsaBlockAnalyser::AddBlock(const int16_t* samples, size_t frames, int channels, int channelChoice) {
  int16_t* slot = m_ring.data() + static_cast<size_t>(m_nextSlot) * kVsaBlockSamples;
  m_nextSlot = (m_nextSlot + 1) % kVsaRingBlocks;

  const size_t step = channels > 1 ? static_cast<size_t>(channels) : 1;
  const size_t channel = (step > 1 && channelChoice == kVsaChannelRight) ? 1 : 0;
  const size_t used = samples == nullptr ? 0 : std::min(frames, static_cast<size_t>(kVsaBlockSamples));
  for (size_t i = 0; i < used; ++i) slot[i] = samples[i * step + channel];
  std::fill(slot + used, slot + kVsaBlockSamples, int16_t{0});
  ApplyWindow();
}

void VsaBlockAnalyser::ApplyWindow() {
  for (size_t i = 0; i < m_windowed.size(); ++i) m_windowed[i] = m_ring[i] * m_window[i];
}

uint16_t VsaBlockAnalyser::Level() const {
  double sum = 0.0;
  for (int i = kLevelFirst; i <= kLevelLast; ++i) sum += std::fabs(m_windowed[static_cast<size_t>(i)]);
  return static_cast<uint16_t>(sum / kLevelDivisor);
}

VsaBlockAnalyser::Magnitudes VsaBlockAnalyser::ComputeMagnitudes() const {
  // One Goertzel recurrence per frequency, s[n] = x[n] + 2 cos(b) s[n-1] - s[n-2], all nine in one
  // pass over the samples: no trigonometric call per sample, and |X(b)|^2 = s1^2 + s2^2 - 2 cos(b)
  // s1 s2 at the end.
  std::array<double, kVsaFrequencyCount> coefficient{};
  std::array<double, kVsaFrequencyCount> s1{};
  std::array<double, kVsaFrequencyCount> s2{};
  for (int k = 0; k < kVsaFrequencyCount; ++k) coefficient[static_cast<size_t>(k)] = 2.0 * std::cos(AngleOf(k));
  for (const double x : m_windowed) {
    for (size_t k = 0; k < kVsaFrequencyCount; ++k) {
      const double s = x + coefficient[k] * s1[k] - s2[k];
      s2[k] = s1[k];
      s1[k] = s;
    }
  }
  Magnitudes magnitudes{};
  for (size_t k = 0; k < kVsaFrequencyCount; ++k) {
    const double power = s1[k] * s1[k] + s2[k] * s2[k] - coefficient[k] * s1[k] * s2[k];
    magnitudes[k] = power > 0.0 ? std::sqrt(power) : 0.0;
  }
  return magnitudes;
}

uint16_t VsaBlockAnalyser::ValueOfMagnitudes(const Magnitudes& m) {
  std::array<double, kPointCount> points{};
  for (int s = 0; s + 1 < kVsaFrequencyCount; ++s) {
    const double from = m[static_cast<size_t>(s)];
    const double to = m[static_cast<size_t>(s + 1)];
    for (int j = 0; j < kPointsPerGap; ++j) {
      points[static_cast<size_t>(s * kPointsPerGap + j)] = from + j * 0.2 * (to - from);
    }
  }
  points[kPointCount - 1] = m[kVsaFrequencyCount - 1];

  double total = 0.0;
  for (const double p : points) total += p;
  const double half = total / 2.0;
  double running = 0.0;
  for (int i = 0; i < kPointCount; ++i) {
    running += points[static_cast<size_t>(i)];
    if (running >= half) return static_cast<uint16_t>(i);
  }
  return static_cast<uint16_t>(kVsaMaxValue);  // not reached: the full sum is at least half
}

uint16_t VsaBlockAnalyser::Value() const { return ValueOfMagnitudes(ComputeMagnitudes()); }

}  // namespace qav
