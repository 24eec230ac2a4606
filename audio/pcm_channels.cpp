#include "audio/pcm_channels.h"

#include <cstring>

namespace qav {

namespace {

int16_t LoadSample(const uint8_t* p) {
  int16_t s;
  std::memcpy(&s, p, 2);
  return s;
}

void StoreSample(uint8_t* p, int16_t s) { std::memcpy(p, &s, 2); }

}  // namespace

size_t PcmMonoToStereo8(const uint8_t* in, size_t bytes, uint8_t* out) {
  for (size_t i = 0; i < bytes; ++i) {
    out[2 * i] = in[i];
    out[2 * i + 1] = in[i];
  }
  return bytes * 2;
}

size_t PcmStereoToMono8(const uint8_t* in, size_t bytes, uint8_t* out) {
  const size_t frames = bytes / 2;
  for (size_t i = 0; i < frames; ++i) out[i] = static_cast<uint8_t>(in[2 * i + 1] / 2 + in[2 * i] / 2);
  return frames;
}

size_t PcmMonoToStereo16(const uint8_t* in, size_t bytes, uint8_t* out) {
  const size_t samples = bytes / 2;
  for (size_t i = 0; i < samples; ++i) {
    std::memcpy(out + 4 * i, in + 2 * i, 2);
    std::memcpy(out + 4 * i + 2, in + 2 * i, 2);
  }
  return samples * 4;
}

size_t PcmStereoToMono16(const uint8_t* in, size_t bytes, uint8_t* out) {
  const size_t frames = bytes / 4;
  for (size_t i = 0; i < frames; ++i) {
    const int left = LoadSample(in + 4 * i);
    const int right = LoadSample(in + 4 * i + 2);
    StoreSample(out + 2 * i, static_cast<int16_t>(right / 2 + left / 2));  // C division truncates toward zero
  }
  return frames * 2;
}

}  // namespace qav
