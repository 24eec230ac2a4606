// A PCM conversion stream: sample rate and sample width, one block at a time.
//
// This stands where the platform's compression manager stood for PCM: the program prepares a stream
// from one PCM format to another with the same channel count, hands it one block after another,
// and flushes it at the end. Widths are 8-bit (unsigned) and 16-bit (signed little-endian); the
// width routines are our own, the rate change is libsoxr's.
//
// The resampler runs at soxr's low-latency quality with small transform sizes, so that every 40 ms
// block of a call yields output at once (about 60 samples of delay); the higher qualities gather
// output in bursts of several blocks, which would leave blocks of a live stream empty. Flush
// returns what the resampler still holds, so a whole stream converts to exactly
// round(input frames x output rate / input rate) frames.
//
// A stream belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/wave_format.h"

struct soxr;

namespace qav {

class PcmStream {
 public:
  // Error codes that Open reports.
  static constexpr int kErrorNone = 0;
  static constexpr int kErrorUnsupportedFormat = 1;  // not PCM, widths other than 8/16, rate out of range
  static constexpr int kErrorChannelsDiffer = 2;
  static constexpr int kErrorResampler = 3;  // libsoxr refused the set-up

  // Rates the stream accepts, in samples per second.
  static constexpr uint32_t kMinRate = 1000;
  static constexpr uint32_t kMaxRate = 384000;

  // Prepares a stream; nullptr with *error set (and *detail, when given, saying why) on failure.
  static std::unique_ptr<PcmStream> Open(const WAVEFORMATEX& from, const WAVEFORMATEX& to, int* error,
                                         std::string* detail = nullptr);
  ~PcmStream();
  PcmStream(const PcmStream&) = delete;
  PcmStream& operator=(const PcmStream&) = delete;

  // Converts whole sample frames of `in` (a trailing partial frame is ignored) into `out`. Returns
  // the bytes written, or -1 when the output does not fit in `capacity` or the resampler fails.
  int64_t Convert(const uint8_t* in, size_t inBytes, uint8_t* out, size_t capacity);

  // Ends the stream: writes what the resampler still holds and makes the stream ready for a fresh
  // signal. Returns the bytes written, or -1 as Convert.
  int64_t Flush(uint8_t* out, size_t capacity);

  bool ChangesRate() const { return resampler_ != nullptr; }

 private:
  PcmStream() = default;
  int64_t Drain(const int16_t* in, size_t inFrames, uint8_t* out, size_t capacity);
  // Writes `frames` 16-bit frames from the scratch buffer at the output width.
  void Emit(const int16_t* samples, size_t frames, uint8_t* out) const;

  uint16_t channels_ = 0;
  uint16_t inBits_ = 0;
  uint16_t outBits_ = 0;
  soxr* resampler_ = nullptr;
  std::vector<int16_t> wide_;     // input widened to 16 bits
  std::vector<int16_t> scratch_;  // resampler output before narrowing
};

// The width routines, exposed for the converters and their tests.
// 8-bit unsigned to 16-bit signed: (b - 128) << 8.
void WidenPcm8To16(const uint8_t* in, size_t count, int16_t* out);
// 16-bit signed to 8-bit unsigned, rounded to nearest and clamped: ((s + 128) >> 8) + 128.
void NarrowPcm16To8(const int16_t* in, size_t count, uint8_t* out);

}  // namespace qav
