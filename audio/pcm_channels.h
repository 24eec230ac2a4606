// The channel routines of PCM conversion: mono to stereo and stereo to mono, 8 and 16 bits.
//
// Input and output are interleaved; counts are in bytes, and a trailing partial frame is ignored.
// Mono to stereo writes each sample twice. Stereo to mono writes right / 2 + left / 2, each half
// truncated (toward zero for the signed 16-bit samples), so the sum never overflows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qav {

// Each returns the bytes written: 2 x input for mono to stereo, input / 2 for stereo to mono.
size_t PcmMonoToStereo8(const uint8_t* in, size_t bytes, uint8_t* out);
size_t PcmStereoToMono8(const uint8_t* in, size_t bytes, uint8_t* out);
size_t PcmMonoToStereo16(const uint8_t* in, size_t bytes, uint8_t* out);
size_t PcmStereoToMono16(const uint8_t* in, size_t bytes, uint8_t* out);

}  // namespace qav
