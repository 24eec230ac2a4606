// The arithmetic of the voice analysis for one block: the ring of the last eight blocks, the
// window laid over the whole ring, and the level and the value computed from the windowed ring.
//
// Everything runs on 16-bit mono samples at 11025 Hz; a stereo block gives the channel the caller
// chose. The value looks at nine frequencies between 7.99 Hz and 12.03 Hz (k = 95, 101, ..., 143
// in steps of pi / 65536 radians per sample): it is the point (0-40) of those nine magnitudes,
// stretched to 41 points, where the running sum first reaches half of the whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qav {

inline constexpr int kVsaSampleRate = 11025;
inline constexpr int kVsaBlockSamples = 2048;
inline constexpr int kVsaRingBlocks = 8;
inline constexpr int kVsaWindowSamples = kVsaBlockSamples * kVsaRingBlocks;  // 16384
inline constexpr int kVsaFrequencyCount = 9;
inline constexpr int kVsaMaxValue = 40;  // values run 0-40, 0 also meaning "none"

// Which samples of a block go into the ring.
enum VsaChannel : int {
  kVsaChannelMono = 0,   // the only channel of a mono recording
  kVsaChannelLeft = 1,   // the left channel of a stereo recording
  kVsaChannelRight = 2,  // the right channel of a stereo recording
};

class VsaBlockAnalyser {
 public:
  using Magnitudes = std::array<double, kVsaFrequencyCount>;

  // The window is computed once, here: w[i] = 1 - cos(2 pi i / 16384).
  VsaBlockAnalyser();

  // A silent ring whose next block goes into slot 0.
  void Clear();

  // Copies the block into the next slot (0 to 7, then 0 again): `frames` frames of `channels`
  // interleaved samples, of which the chosen channel is taken (the first for a mono block). A
  // block of fewer than 2048 frames leaves the rest of its slot silent; frames beyond 2048 are not
  // used. Then the whole ring is windowed again, in slot order 0 to 7 whichever slot was written.
  void AddBlock(const int16_t* samples, size_t frames, int channels, int channelChoice);

  // Sum of |windowed[i]| for i = 7168 to 9215, divided by 8192 and truncated.
  uint16_t Level() const;
  // The nine Fourier magnitudes over the windowed ring, then ValueOfMagnitudes.
  uint16_t Value() const;
  // The magnitudes |sum windowed[n] e^(i b n)| for b = (95 + 6i) pi / 65536, i = 0 to 8.
  Magnitudes ComputeMagnitudes() const;
  // The stretch to 41 points and the half-way search; 0 when every magnitude is 0.
  static uint16_t ValueOfMagnitudes(const Magnitudes& magnitudes);

  double WindowAt(int i) const { return m_window[static_cast<size_t>(i)]; }
  double WindowedAt(int i) const { return m_windowed[static_cast<size_t>(i)]; }
  int NextSlot() const { return m_nextSlot; }

 private:
  void ApplyWindow();

  std::vector<int16_t> m_ring;     // 8 slots of 2048 samples
  std::vector<double> m_window;    // 16384
  std::vector<double> m_windowed;  // 16384
  int m_nextSlot = 0;
};

}  // namespace qav
