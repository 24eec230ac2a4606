// The wave format records that sound devices, files and converters exchange.
//
// The program describes audio the way the desktop platform's multimedia layer does: an 18-byte
// WAVEFORMATEX, optionally followed by `cbSize` bytes that belong to the format (an MP3 format adds
// 12, as MPEGLAYER3WAVEFORMAT). The records here are laid out naturally, so that their fields can
// be used like any other (a packed record would hand out misaligned references); files are written
// and read field by field, and the sizes the program stores and compares are the constants below,
// not sizeof.
#pragma once

#include <cstdint>

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_MPEGLAYER3 = 85;

constexpr uint16_t MPEGLAYER3_ID_MPEG = 1;
constexpr uint32_t MPEGLAYER3_FLAG_PADDING_ISO = 0;
// Bytes an MP3 format carries after its WAVEFORMATEX.
constexpr uint16_t MPEGLAYER3_WFX_EXTRA_BYTES = 12;

// The sizes of the records as files and the program's size fields count them.
constexpr uint32_t kWaveFormatExSize = 18;
constexpr uint32_t kMpegLayer3WaveFormatSize = kWaveFormatExSize + MPEGLAYER3_WFX_EXTRA_BYTES;

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

