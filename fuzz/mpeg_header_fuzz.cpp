// An MP3 file's start: an ID3v2 tag to skip, the frame-sync search, frame headers and the Xing,
// Info and VBRI headers of the first frame, as the readers of greetings and recordings run them;
// and the same bytes given to the header and VBR decoders directly.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "audio/mpeg_utils.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = qav::fuzz::MemoryFile(qav::fuzz::Bytes(data, size));
  MPEGLAYER3WAVEFORMAT format{};
  uint32_t dataOffset = 0;
  uint32_t dataLength = 0;
  if (MPEGUtilsReadAudioFileHeaderFormat(fd, &format, kMpegLayer3WaveFormatSize, &dataOffset, &dataLength) &&
      size > 0) {
    if (dataOffset > size || dataLength > size - dataOffset) __builtin_trap();
  }
  close(fd);

  const int length = static_cast<int>(std::min<size_t>(size, 1 << 20));
  const uint8_t* sync = nullptr;
  const int at = MPEGFindSync(data, length, &sync);
  if (at >= 0 && (at + 4 > length || sync != data + at)) __builtin_trap();
  if (size >= 4) {
    uint32_t header = 0;
    for (int i = 0; i < 4; ++i) header = (header << 8) | data[i];
    MPEGFrameInfo info;
    if (MPEGHeaderDecode(header, &info)) MPEGHeaderDecodeVBR(data, length, info);
  }
  return 0;
}
