// The converters every change of audio format goes through: PCM to PCM (CPCMConvert), MP3 to PCM
// and PCM to MP3 (CMPEGConvert).
//
// A converter is set up once with Init (source and destination formats) and then converts one
// block after another into a buffer the caller owns. Convert returns the bytes produced, which may
// be 0 (a resampler or codec still gathering), or -1 for an error: callers test for a negative
// result before they use it as a size. At the end of a stream the caller calls Flush, which writes
// what the converter still holds (the resampler's last samples, the encoder's last frames), so that
// nothing is lost at the end of a recording or a file.
//
// Formats are WAVEFORMATEX records; an MP3 format is the WAVEFORMATEX of an MPEGLAYER3WAVEFORMAT
// (cbSize 12, the extra bytes following it). The converter keeps copies of both.
//
// A converter belongs to one thread at a time. Destructors never throw; a failure to close is
// logged.
#pragma once

#include <cstdint>

#include "platform/wave_format.h"

class CAudioFormatConverter {
 public:
  virtual ~CAudioFormatConverter() = default;
  CAudioFormatConverter(const CAudioFormatConverter&) = delete;
  CAudioFormatConverter& operator=(const CAudioFormatConverter&) = delete;

  // 1 when the conversion is set up, 0 (logged) when it cannot be.
  virtual int Init(const WAVEFORMATEX* source, const WAVEFORMATEX* destination) = 0;
  // Converts one block; the bytes written to `out`, or -1 for an error.
  virtual int Convert(const uint8_t* data, uint32_t size, uint8_t* out, uint32_t capacity) = 0;
  // Ends the stream; the bytes written to `out`, or -1 for an error.
  virtual int Flush(uint8_t* out, uint32_t capacity) = 0;

  const WAVEFORMATEX& GetSourceFormat() const { return m_source.wfx; }
  const WAVEFORMATEX& GetDestinationFormat() const { return m_destination.wfx; }

 protected:
  CAudioFormatConverter() = default;

  // Copies a format with its extra bytes (PCM: none; MP3: the 12 of MPEGLAYER3WAVEFORMAT). False
  // for any other format tag, or an MP3 format without its extra bytes.
  static bool CopyFormat(const WAVEFORMATEX* format, MPEGLAYER3WAVEFORMAT* copy);

  // Large enough for either kind of format.
  MPEGLAYER3WAVEFORMAT m_source{};
  MPEGLAYER3WAVEFORMAT m_destination{};
};
