// The wave format records that sound devices, files and converters exchange.
//
// The program describes audio the way the desktop platform's multimedia layer does: an 18-byte
// WAVEFORMATEX, optionally followed by `cbSize` bytes that belong to the format (an MP3 format adds
// 12). The records are packed to 2 bytes so that their sizes are the sizes stored in files and
// compared by the program; files are still written field by field, never by copying a record.
#pragma once

#include <cstdint>

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_MPEGLAYER3 = 85;

constexpr uint16_t MPEGLAYER3_ID_MPEG = 1;
constexpr uint32_t MPEGLAYER3_FLAG_PADDING_ISO = 0;
// Bytes an MP3 format carries after its WAVEFORMATEX.
constexpr uint16_t MPEGLAYER3_WFX_EXTRA_BYTES = 12;

#pragma pack(push, 2)

struct WAVEFORMATEX {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
  uint16_t cbSize;
};

struct MPEGLAYER3WAVEFORMAT {
  WAVEFORMATEX wfx;
  uint16_t wID;
  uint32_t fdwFlags;
  uint16_t nBlockSize;
  uint16_t nFramesPerBlock;
  uint16_t nCodecDelay;
};

#pragma pack(pop)

static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(MPEGLAYER3WAVEFORMAT) == 30);
