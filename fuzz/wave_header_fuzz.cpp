// A WAV file's header: the RIFF chunk walk that finds the format and the data, as every reader of
// a recording or greeting runs it, and the file's size as the walk sees it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "audio/wave_utils.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = qav::fuzz::MemoryFile(qav::fuzz::Bytes(data, size));
  WAVEFORMATEX format{};
  uint32_t dataOffset = 0;
  uint32_t dataSize = 0;
  if (WaveUtilsReadAudioFileHeaderFormat(fd, &format, kWaveFormatExSize, &dataOffset, &dataSize) && size > 0) {
    // What the walk found lies inside the file.
    if (dataOffset > size || dataSize > size - dataOffset) __builtin_trap();
  }
  close(fd);
  return 0;
}
