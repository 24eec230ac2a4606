#include "audio/audio_format_converter.h"

#include <cstring>

bool CAudioFormatConverter::CopyFormat(const WAVEFORMATEX* format, MPEGLAYER3WAVEFORMAT* copy) {
  *copy = MPEGLAYER3WAVEFORMAT{};
  if (!format) return false;
  if (format->wFormatTag == WAVE_FORMAT_PCM) {
    copy->wfx = *format;
    copy->wfx.cbSize = 0;  // PCM has no extra bytes, whatever the record says
    return true;
  }
  if (format->wFormatTag == WAVE_FORMAT_MPEGLAYER3 && format->cbSize >= MPEGLAYER3_WFX_EXTRA_BYTES) {
    // The extra bytes follow the WAVEFORMATEX inside its MPEGLAYER3WAVEFORMAT.
    std::memcpy(copy, format, sizeof(MPEGLAYER3WAVEFORMAT));
    copy->wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    return true;
  }
  return false;
}
