#include "audio/wave_utils.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "audio/byte_order.h"
#include "audio/fd_io.h"
#include "foundation/logger.h"
#include "platform/text.h"

using namespace qav;

WAVEFORMATEX WaveUtilsMakePCMFormat(uint16_t channels, uint16_t bits, uint32_t rate) {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.nBlockAlign = static_cast<uint16_t>(channels * (bits / 8));
  f.nAvgBytesPerSec = f.nBlockAlign * rate;
  f.wBitsPerSample = bits;
  f.cbSize = 0;
  return f;
}

int WriteAudioFileHeaderFormat(int fd, const WAVEFORMATEX* format, uint32_t dataSize, uint32_t* dataOffset) {
  if (!format || format->cbSize != 0) return 0;  // the program writes plain PCM formats only
  uint8_t h[kWaveHeaderSize];
  std::memcpy(h, "RIFF", 4);
  PutLE32(h + 4, dataSize + 38);
  std::memcpy(h + 8, "WAVE", 4);
  std::memcpy(h + 12, "fmt ", 4);
  PutLE32(h + 16, 18);
  PutLE16(h + 20, format->wFormatTag);
  PutLE16(h + 22, format->nChannels);
  PutLE32(h + 24, format->nSamplesPerSec);
  PutLE32(h + 28, format->nAvgBytesPerSec);
  PutLE16(h + 32, format->nBlockAlign);
  PutLE16(h + 34, format->wBitsPerSample);
  PutLE16(h + 36, 0);
  std::memcpy(h + 38, "data", 4);
  PutLE32(h + 42, dataSize);
  if (!SeekTo(fd, 0) || !WriteFully(fd, h, sizeof h)) return 0;
  if (dataOffset) *dataOffset = kWaveHeaderSize;
  return 1;
}

int WaveUtilsGetAudioFileSize(int fd, int64_t* size) {
  const off_t end = ::lseek(fd, 0, SEEK_END);
  if (end < 0) {
    QAV_LOG(LOG_WARNING, u"WaveUtilsGetAudioFileSize[ Bad SEEK(end)]");
    return 0;
  }
  if (size) *size = end;
  if (!SeekTo(fd, 0)) {
    QAV_LOG(LOG_WARNING, u"WaveUtilsGetAudioFileSize[ Bad FTELL(filelength)]");
    return 0;
  }
  return 1;
}

int IsFileExtension(std::u16string_view path, std::u16string_view extension) {
  if (path.empty() || extension.empty() || path.size() <= extension.size()) return 0;
  return EqualsNoCase(path.substr(path.size() - extension.size()), extension) ? 1 : 0;
}

namespace {

bool IsMarker(const uint8_t* m, const char* name) { return std::memcmp(m, name, 4) == 0; }

// RIFF chunks are padded to an even size.
int64_t PaddedSize(uint32_t size) { return static_cast<int64_t>(size) + (size & 1); }

}  // namespace

int WaveUtilsReadAudioFileHeaderFormat(int fd, WAVEFORMATEX* format, int formatSize, uint32_t* dataOffset,
                                       uint32_t* dataSize) {
  QAV_LOG(LOG_FINE, u"WaveUtilsReadAudioFileHeaderFormat");
  auto fail = [](const char16_t* what) {
    QAV_LOG(LOG_WARNING, u"WaveUtilsReadAudioFileHeaderFormat%s", what);
    return 0;
  };
  if (!format || !dataOffset || !dataSize || formatSize != static_cast<int>(kWaveFormatExSize)) return 0;
  std::memset(format, 0, sizeof(WAVEFORMATEX));
  *dataOffset = 0;
  *dataSize = 0;

  int64_t fileSize = 0;
  if (!WaveUtilsGetAudioFileSize(fd, &fileSize)) return fail(u"[ Bad GetFileSize ]");
  if (fileSize == 0) {
    QAV_LOG(LOG_FINE, u"WaveUtilsReadAudioFileHeaderFormat[ Empty File ]");
    return 1;
  }

  int64_t walkEnd = fileSize;
  int64_t pos = 0;
  bool seenRiff = false, seenWave = false, seenFmt = false, seenData = false;
  int64_t foundOffset = 0;
  int64_t foundSize = 0;
  uint8_t marker[4];
  uint8_t word[4];

  while (walkEnd - pos >= 4) {
    if (!ReadExactly(fd, marker, 4)) return fail(u"[ Bad READ(marker)]");
    pos += 4;
    const bool first = pos == 4;

    if (IsMarker(marker, "RIFF")) {
      if (!first) return fail(u"[ RIFF on first marker in file]");
      if (!ReadExactly(fd, word, 4)) return fail(u"[ Bad READ(RIFF length)]");
      pos += 4;
      seenRiff = true;
      walkEnd = std::min<int64_t>(walkEnd, static_cast<int64_t>(GetLE32(word)) + 8);
      continue;
    }
    if (first) return fail(u"[ RIFF on first marker in file]");  // not a RIFF file at all
    if (IsMarker(marker, "WAVE")) {
      if (!seenRiff) return fail(u"[ WAVE marker before RIFF ]");
      seenWave = true;
      continue;
    }
    if (!seenWave) return fail(u"[ WAVE marker before RIFF ]");  // a RIFF file of another form

    // Every chunk from here on has a size.
    if (!ReadExactly(fd, word, 4)) {
      if (IsMarker(marker, "fmt ")) return fail(u"[ Bad READ(fmt length)]");
      if (IsMarker(marker, "fact")) return fail(u"[ Bad READ(fact length)]");
      if (IsMarker(marker, "data")) return fail(u"[ Bad READ(data length)]");
      break;  // a cut-off chunk of another kind at the end ends the walk
    }
    pos += 4;
    const uint32_t chunkSize = GetLE32(word);
    int64_t next = pos + PaddedSize(chunkSize);

    if (IsMarker(marker, "fmt ")) {
      if (!seenFmt) {
        if (chunkSize < 16) return fail(u"[ fmt length too small ]");  // all but cbSize, which stays 0
        uint8_t f[16];
        if (!ReadExactly(fd, f, 16)) return fail(u"[ Bad READ(WAVEFORMATEX)]");
        format->wFormatTag = GetLE16(f);
        format->nChannels = GetLE16(f + 2);
        format->nSamplesPerSec = GetLE32(f + 4);
        format->nAvgBytesPerSec = GetLE32(f + 8);
        format->nBlockAlign = GetLE16(f + 12);
        format->wBitsPerSample = GetLE16(f + 14);
        if (pos + chunkSize > fileSize) return fail(u"[ Bad READ(Format Extra)]");
        seenFmt = true;
      }
    } else if (IsMarker(marker, "fact")) {
      if (!seenFmt) QAV_LOG(LOG_FINE, u"WaveUtilsReadAudioFileHeaderFormat[ fact marker before fmt ]");
    } else if (IsMarker(marker, "data")) {
      if (!seenFmt) return fail(u"[ data marker before RIFF|WAVE|fmt ]");
      uint8_t peek[4];
      const int64_t n = ReadUpTo(fd, peek, 4);
      if (n < 0) return fail(u"[ Bad READ(marker check for wvpk)]");
      if (n == 4 && IsMarker(peek, "wvpk")) {
        return fail(u"[ wvpk marker at the start of the DATA section. Not able to handle this ]");
      }
      if (!seenData) {
        seenData = true;
        foundOffset = pos;
        foundSize = chunkSize;
      }
    }
    // Chunks the program does not use ("LIST", "cue ", ...) are stepped over.
    if (!SeekTo(fd, next)) return fail(u"[ Bad SEEK(passed data)]");
    pos = next;
  }

  if (seenData) {
    // A data size that runs past the end of the file (a recording cut short) covers what is there.
    foundSize = std::min<int64_t>(foundSize, fileSize - foundOffset);
    if (foundOffset > UINT32_MAX) return fail(u"[ Bad FTELL(nDataOffset)]");
    *dataOffset = static_cast<uint32_t>(foundOffset);
    *dataSize = static_cast<uint32_t>(foundSize);
  }
  if (!SeekTo(fd, foundOffset)) return fail(u"[ Bad SEEK(data start)]");
  QAV_LOG(LOG_FINE, u"WaveUtilsReadAudioFileHeaderFormat[ %d Hz, %d bits, %s, DataStartOffset: %d, DataLength: %d] ",
          format->nSamplesPerSec, format->wBitsPerSample, format->nChannels == 1 ? u"MONO" : u"STEREO", *dataOffset,
          *dataSize);
  return 1;
}

bool SamePcm(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
  return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec && a.wBitsPerSample == b.wBitsPerSample;
}

int UpdateAudioFileHeaderSizes(int fd, uint32_t dataSize) {
  uint8_t riff[4], data[4];
  PutLE32(riff, dataSize + 38);
  PutLE32(data, dataSize);
  return ::pwrite(fd, riff, 4, 4) == 4 && ::pwrite(fd, data, 4, 42) == 4 ? 1 : 0;
}
