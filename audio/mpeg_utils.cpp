#include "audio/mpeg_utils.h"

#include <cstdlib>
#include <cstring>

#include "audio/byte_order.h"
#include "audio/fd_io.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"

using namespace qav;

namespace {

// kbit/s by [MPEG-1 or not][layer index][bit-rate index]; 0 marks a frame without a fixed rate.
constexpr int kBitRates[2][3][15] = {
    {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 Layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 Layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 Layer III
    },
    {
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},  // MPEG-2/2.5 Layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},       // MPEG-2/2.5 Layer II
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},       // MPEG-2/2.5 Layer III
    },
};

// Hz by version bits (0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1) and sample-rate index.
constexpr int kSampleRates[4][3] = {
    {11025, 12000, 8000},
    {0, 0, 0},
    {22050, 24000, 16000},
    {44100, 48000, 32000},
};

int FrameLength(int version, int layerIndex, int bitRate, int sampleRate, int padding) {
  if (layerIndex == 0) return (12 * bitRate / sampleRate) * 4 + padding;
  const int coefficient = (layerIndex == 2 && version != 3) ? 72 : 144;
  return coefficient * bitRate / sampleRate + padding;
}

int SamplesPerFrame(int version, int layerIndex) {
  if (layerIndex == 0) return 384;
  if (layerIndex == 1) return 1152;
  return version == 3 ? 1152 : 576;
}

// Where a Xing or Info header sits in the first frame: after the header and the side information.
int XingOffset(const MPEGFrameInfo& info) {
  const bool mono = info.channelMode == 3;
  if (info.version == 3) return mono ? 21 : 36;
  return mono ? 13 : 21;
}

constexpr int kVbriOffset = 36;

// The ID3v2 tag at the start of the file, if any: its whole length, or 0.
int64_t Id3v2TagLength(int fd) {
  uint8_t h[10];
  if (!SeekTo(fd, 0) || !ReadExactly(fd, h, sizeof h)) return 0;
  if (std::memcmp(h, "ID3", 3) != 0 || h[3] == 0xFF || h[4] == 0xFF) return 0;
  if ((h[6] | h[7] | h[8] | h[9]) & 0x80) return 0;  // not a syncsafe size: not a tag
  const int64_t size = (int64_t{h[6]} << 21) | (int64_t{h[7]} << 14) | (int64_t{h[8]} << 7) | int64_t{h[9]};
  const bool footer = (h[5] & 0x10) != 0;
  return 10 + size + (footer ? 10 : 0);
}

}  // namespace

int MPEGFindSync(const uint8_t* data, int length, const uint8_t** sync) {
  if (sync) *sync = nullptr;
  if (!data) return -1;
  for (int i = 0; i + 4 <= length; ++i) {
    if (data[i] == 0xFF && data[i + 1] >= 0xE0) {
      if (sync) *sync = data + i;
      return i;
    }
  }
  return -1;
}

int MPEGHeaderDecode(uint32_t h, MPEGFrameInfo* info) {
  if (!info) return 0;
  *info = MPEGFrameInfo{};
  if (h < 0xFFE00000u) return 0;
  const int version = (h >> 19) & 3;
  const int layerBits = (h >> 17) & 3;
  if (version == 1 || layerBits == 0) return 0;
  const int layerIndex = 3 - layerBits;
  const int bitRateIndex = (h >> 12) & 15;
  const int rateIndex = (h >> 10) & 3;
  if (bitRateIndex == 15 || rateIndex == 3) return 0;
  const int bitRate = kBitRates[version == 3 ? 0 : 1][layerIndex][bitRateIndex] * 1000;
  if (bitRate == 0) return 0;
  const int channelMode = (h >> 6) & 3;
  if (channelMode == 2) return 0;

  info->version = version;
  info->layerIndex = layerIndex;
  info->bitRate = bitRate;
  info->sampleRate = kSampleRates[version][rateIndex];
  info->padding = ((h >> 9) & 1) ? (layerIndex == 0 ? 4 : 1) : 0;
  info->privateBit = (h >> 8) & 1;
  info->channelMode = channelMode;
  info->modeExtension = (h >> 4) & 3;
  info->copyright = (h >> 3) & 1;
  info->original = (h >> 2) & 1;
  info->emphasis = h & 3;
  info->crcPresent = ((h >> 16) & 1) ? 0 : 1;
  info->frameLength = FrameLength(version, layerIndex, bitRate, info->sampleRate, info->padding);
  info->samplesPerFrame = SamplesPerFrame(version, layerIndex);
  return 1;
}

int MPEGGetNextGoodHeader(int fd, MPEGFrameInfo* info) {
  uint8_t buffer[kMPEGSyncReadSize + 3];
  int64_t base = CurrentOffset(fd);  // file offset of buffer[0]
  if (base < 0) {
    QAV_LOG(LOG_WARNING, u"MPEGGetNextGoodHeader[ File Read ERROR while finding MP3 Sync]");
    return 0;
  }
  int have = 0;
  for (;;) {
    const int64_t n = ReadUpTo(fd, buffer + have, kMPEGSyncReadSize);
    if (n < 0) {
      QAV_LOG(LOG_WARNING, u"MPEGGetNextGoodHeader[ File Read ERROR while finding MP3 Sync]");
      return 0;
    }
    have += static_cast<int>(n);
    int i = 0;
    while (i + 4 <= have) {
      const uint8_t* sync = nullptr;
      const int at = MPEGFindSync(buffer + i, have - i, &sync);
      if (at < 0) {
        i = have - 3;  // the last 3 bytes may start a header that the next read completes
        break;
      }
      i += at;
      if (MPEGHeaderDecode(GetBE32(sync), info)) {
        if (!SeekTo(fd, base + i)) return 0;
        return 1;
      }
      ++i;  // not a header after all: go on from the next byte
    }
    if (n < kMPEGSyncReadSize) return 0;  // end of file
    if (i < 0) i = 0;
    const int keep = have - i;
    std::memmove(buffer, buffer + i, static_cast<size_t>(keep));
    base += i;
    have = keep;
  }
}

int MPEGHeaderDecodeVBR(const uint8_t* frame, int length, const MPEGFrameInfo& info) {
  const int xing = XingOffset(info);
  if (!frame || length < xing + 4) {
    QAV_LOG(LOG_FINE, u"MPEGHeaderDecodeVBR[ Buffer too short ]");
    return 0;
  }
  if (std::memcmp(frame + xing, "Xing", 4) == 0 || std::memcmp(frame + xing, "Info", 4) == 0) {
    // Flags, then frames, bytes, a 100-entry table of contents and a quality, each when flagged.
    int needed = xing + 8;
    if (length >= needed) {
      const uint32_t flags = GetBE32(frame + xing + 4);
      needed += ((flags & 1) ? 4 : 0) + ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
    }
    if (length < needed) QAV_LOG(LOG_FINE, u"MPEGHeaderDecodeVBR[ Buffer too short for XING ]");
    return 1;
  }
  if (length >= kVbriOffset + 4 && std::memcmp(frame + kVbriOffset, "VBRI", 4) == 0) {
    // Version, delay, quality, bytes, frames, then a table of entries x entry size bytes.
    constexpr int kFixed = 26;
    // Two 16-bit fields multiplied: up to 0xFFFE0001, beyond an int.
    int64_t needed = kVbriOffset + kFixed;
    if (length >= needed) {
      const uint8_t* v = frame + kVbriOffset;
      const int64_t entries = (v[18] << 8) | v[19];
      const int64_t entrySize = (v[22] << 8) | v[23];
      needed += entries * entrySize;
    }
    if (length < needed) QAV_LOG(LOG_FINE, u"MPEGHeaderDecodeVBR[ Buffer too short for VBRI ]");
    return 1;
  }
  return 0;
}

int MPEGUtilsReadAudioFileHeaderFormat(int fd, MPEGLAYER3WAVEFORMAT* format, int formatSize, uint32_t* dataOffset,
                                       uint32_t* dataLength) {
  QAV_LOG(LOG_FINE, u"MPEGUtilsReadAudioFileHeaderFormat");
  auto fail = [](const char16_t* what) {
    QAV_LOG(LOG_WARNING, u"MPEGUtilsReadAudioFileHeaderFormat%s", what);
    return 0;
  };
  if (!format || !dataOffset || !dataLength || formatSize != static_cast<int>(kMpegLayer3WaveFormatSize)) {
    return 0;
  }
  std::memset(format, 0, sizeof(*format));
  *dataOffset = 0;
  *dataLength = 0;
  int64_t fileSize = 0;
  if (!WaveUtilsGetAudioFileSize(fd, &fileSize)) return fail(u"[ Bad GetFileSize ]");
  if (fileSize == 0) {
    QAV_LOG(LOG_FINE, u"MPEGUtilsReadAudioFileHeaderFormat[ Empty File ]");
    return 1;
  }
  if (fileSize > UINT32_MAX) return fail(u"[ Bad GetFileSize ]");

  // A tag may hold bytes that look like a frame header; the frames start after it.
  const int64_t tagLength = Id3v2TagLength(fd);
  if (tagLength >= fileSize || !SeekTo(fd, tagLength)) return fail(u"[ No MPEG Header foudn in File ]");
  MPEGFrameInfo info;
  if (!MPEGGetNextGoodHeader(fd, &info)) return fail(u"[ No MPEG Header foudn in File ]");
  const int64_t offset = CurrentOffset(fd);
  if (offset < 0) return fail(u"[ Bad FTELL(nDataOffset)]");

  uint8_t first[kMPEGFirstFrameReadSize];
  const int64_t n = ReadUpTo(fd, first, sizeof first);
  if (n < 4) return fail(u"[ File Read ERROR ]");
  if (MPEGHeaderDecodeVBR(first, static_cast<int>(n), info)) return fail(u"[ VBR MPEG File not supported ]");
  if (!MPEGFormatStructConfig(info, format)) return fail(u"[ No MPEG Header foudn in File ]");

  *dataOffset = static_cast<uint32_t>(offset);
  *dataLength = static_cast<uint32_t>(fileSize - offset);
  QAV_LOG(LOG_FINE, u"MPEGUtilsReadAudioFileHeaderFormat[ %d Hz, %d bits, %s, MP3 bitrate %d, DataLength: %d] ",
          info.sampleRate, 16, format->wfx.nChannels == 1 ? u"MONO" : u"STEREO", info.bitRate, *dataLength);
  return 1;
}

int MPEGUtilsSkipEmptyFrames(int /*fd*/) {
  QAV_LOG(LOG_FINE, u"MPEGUtilsSkipEmptyFrames");
  return 1;
}

int MPEGFormatStructConfig(const MPEGFrameInfo& info, MPEGLAYER3WAVEFORMAT* format) {
  if (!format || info.sampleRate <= 0 || info.bitRate <= 0 || info.frameLength <= 0 || info.frameLength > 0xFFFF) {
    return 0;
  }
  std::memset(format, 0, sizeof(*format));
  format->wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  format->wfx.nChannels = info.channelMode == 3 ? 1 : 2;
  format->wfx.nSamplesPerSec = static_cast<uint32_t>(info.sampleRate);
  format->wfx.nAvgBytesPerSec = static_cast<uint32_t>(info.bitRate / 8);
  format->wfx.nBlockAlign = static_cast<uint16_t>(info.sampleRate == 44100 ? 1 : info.frameLength);
  format->wfx.wBitsPerSample = 0;
  format->wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
  format->wID = MPEGLAYER3_ID_MPEG;
  format->fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
  format->nBlockSize = static_cast<uint16_t>(info.frameLength);
  format->nFramesPerBlock = 1;
  format->nCodecDelay = 0;
  return 1;
}

namespace qav {

int MPEGVersionForRate(int sampleRate) {
  for (int version : {3, 2, 0}) {
    for (int rate : kSampleRates[version]) {
      if (rate == sampleRate) return version;
    }
  }
  return -1;
}

int MPEGLayer3BitRateUsed(int sampleRate, int requestedBitRate) {
  const int version = MPEGVersionForRate(sampleRate);
  if (version < 0) return 0;
  const int* table = kBitRates[version == 3 ? 0 : 1][2];
  const int requested = requestedBitRate / 1000;
  int best = table[1];
  for (int i = 2; i < 15; ++i) {
    if (std::abs(table[i] - requested) < std::abs(best - requested)) best = table[i];
  }
  return best * 1000;
}

int MakeMP3EncoderSettings(int bitRate, int sampleRate, int channels, MPEGFrameInfo* info) {
  const int version = MPEGVersionForRate(sampleRate);
  if (!info || version < 0 || channels < 1 || channels > 2) return 0;
  *info = MPEGFrameInfo{};
  info->version = version;
  info->layerIndex = 2;
  info->bitRate = MPEGLayer3BitRateUsed(sampleRate, bitRate);
  info->sampleRate = sampleRate;
  info->padding = 0;
  info->channelMode = channels == 1 ? 3 : 0;
  info->frameLength = FrameLength(version, 2, info->bitRate, sampleRate, 0);
  info->samplesPerFrame = SamplesPerFrame(version, 2);
  return 1;
}

}  // namespace qav
