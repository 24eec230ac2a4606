#include "audio/pcm_convert.h"

#include <cstring>
#include <string>

#include "audio/pcm_channels.h"
#include "foundation/logger.h"

namespace qav {

const char16_t* ChannelsName(int channels) { return channels == 1 ? u"MONO" : u"STEREO"; }

bool IsConsistentPcmFormat(const WAVEFORMATEX& f) {
  return f.wFormatTag == WAVE_FORMAT_PCM && f.nChannels >= 1 && f.nSamplesPerSec > 0 && f.wBitsPerSample >= 8 &&
         f.wBitsPerSample <= 32 && f.wBitsPerSample % 8 == 0 && f.nBlockAlign == f.nChannels * (f.wBitsPerSample / 8);
}

}  // namespace qav

using qav::ChannelsName;

int CPCMConvert::Fail() {
  m_channelRoutine = nullptr;
  m_stream.reset();
  return 0;
}

int CPCMConvert::Init(const WAVEFORMATEX* source, const WAVEFORMATEX* destination) {
  const auto self = reinterpret_cast<uintptr_t>(this);
  m_channelRoutine = nullptr;
  m_ratioNumerator = m_ratioDenominator = 1;
  m_stream.reset();
  if (!source || !destination || source->wFormatTag != WAVE_FORMAT_PCM ||
      destination->wFormatTag != WAVE_FORMAT_PCM || !CopyFormat(source, &m_source) ||
      !CopyFormat(destination, &m_destination)) {
    QAV_LOG(LOG_WARNING, u"CPCMConvert::Init [ FAILED: Convert works with WAVE_FORMAT_PCM only ]");
    return Fail();
  }
  const WAVEFORMATEX& src = m_source.wfx;
  const WAVEFORMATEX& dst = m_destination.wfx;
  QAV_LOG(LOG_FINE, u"CPCMConvert[%#x]::Init [From: %d Hz, %d bits, %s, To: %d Hz, %d bits, %s] ", self,
          src.nSamplesPerSec, src.wBitsPerSample, ChannelsName(src.nChannels), dst.nSamplesPerSec,
          dst.wBitsPerSample, ChannelsName(dst.nChannels));
  if (!qav::IsConsistentPcmFormat(src) || !qav::IsConsistentPcmFormat(dst)) {
    QAV_LOG(LOG_WARNING, u"CPCMConvert[%#x] [ FAILED: inconsistent PCM format (channels %d/%d, bits %d/%d, block align %d/%d) ] ",
            self, src.nChannels, dst.nChannels, src.wBitsPerSample, dst.wBitsPerSample, src.nBlockAlign,
            dst.nBlockAlign);
    return Fail();
  }

  if (src.nChannels != dst.nChannels) {
    const bool up = src.nChannels == 1 && dst.nChannels == 2;
    const bool down = src.nChannels == 2 && dst.nChannels == 1;
    if (src.wBitsPerSample == 8) {
      if (!up && !down) {
        QAV_LOG(LOG_WARNING, u"CPCMConvert[%#x] [ FAILED: 8 Bit Channel Conversion Src: %d, Dst: %d] ", self,
                src.nChannels, dst.nChannels);
        return Fail();
      }
      m_channelRoutine = up ? qav::PcmMonoToStereo8 : qav::PcmStereoToMono8;
    } else if (src.wBitsPerSample == 16) {
      if (!up && !down) {
        QAV_LOG(LOG_WARNING, u"CPCMConvert[%#x] [ FAILED: 16 Bit Channel Conversion Src: %d, Dst: %d] ", self,
                src.nChannels, dst.nChannels);
        return Fail();
      }
      m_channelRoutine = up ? qav::PcmMonoToStereo16 : qav::PcmStereoToMono16;
    } else {
      QAV_LOG(LOG_WARNING, u"CPCMConvert[%#x] [ FAILED: Channel Conversion works fro 8 or 16 Bits only (Bits: %d) ] ",
              self, src.wBitsPerSample);
      return Fail();
    }
    m_ratioNumerator = up ? 2 : 1;
    m_ratioDenominator = up ? 1 : 2;
    QAV_LOG(LOG_FINE, u"CPCMConvert[%#x]::Init [Channel conversion set from %s to %s, on %d bits] ", self,
            ChannelsName(src.nChannels), ChannelsName(dst.nChannels), src.wBitsPerSample);
  }

  // After the channel step: the source's rate and width with the destination's channels.
  WAVEFORMATEX between = src;
  between.nChannels = dst.nChannels;
  between.nBlockAlign = static_cast<uint16_t>(dst.nChannels * (src.wBitsPerSample / 8));
  between.nAvgBytesPerSec = between.nBlockAlign * between.nSamplesPerSec;
  if (between.nSamplesPerSec == dst.nSamplesPerSec && between.wBitsPerSample == dst.wBitsPerSample) return 1;

  int error = 0;
  std::string detail;
  m_stream = qav::PcmStream::Open(between, dst, &error, &detail);
  if (!m_stream) {
    QAV_LOG(LOG_WARNING, u"CPCMConvert[%#x] [ FAILED acmStreamOpen with Error Code: %d ] ", self, error);
    QAV_LOG(LOG_WARNING, u"CPCMConvert[%#x] [ %s ] ", self, detail);
    return Fail();
  }
  QAV_LOG(LOG_FINE, u"CPCMConvert[%#x]::Init [Rate conversion set from %d Hz, %d bits to %d Hz, %d bits, on %s channel] ",
          self, between.nSamplesPerSec, between.wBitsPerSample, dst.nSamplesPerSec, dst.wBitsPerSample,
          ChannelsName(dst.nChannels));
  return 1;
}

int CPCMConvert::Convert(const uint8_t* data, uint32_t size, uint8_t* out, uint32_t capacity) {
  const uint32_t blockAlign = m_source.wfx.nBlockAlign;
  if (blockAlign == 0 || !out) return -1;  // not set up
  const uint32_t bytes = size / blockAlign * blockAlign;
  if (bytes == 0) return 0;
  if (!data) return -1;

  int64_t written = 0;
  if (m_channelRoutine) {
    const size_t channelBytes = static_cast<size_t>(bytes) * m_ratioNumerator / m_ratioDenominator;
    if (!m_stream) {
      if (channelBytes > capacity) return -1;
      return static_cast<int>(m_channelRoutine(data, bytes, out));
    }
    if (m_channelBuffer.size() < channelBytes) m_channelBuffer.resize(channelBytes);
    m_channelRoutine(data, bytes, m_channelBuffer.data());
    written = m_stream->Convert(m_channelBuffer.data(), channelBytes, out, capacity);
  } else if (m_stream) {
    written = m_stream->Convert(data, bytes, out, capacity);
  } else {
    if (bytes > capacity) return -1;
    std::memcpy(out, data, bytes);
    written = bytes;
  }
  if (written < 0) {
    QAV_LOG(LOG_WARNING, u"CPCMConvert[%#x] [ FAILED: conversion of %u bytes into %u ] ",
            reinterpret_cast<uintptr_t>(this), bytes, capacity);
    return -1;
  }
  return static_cast<int>(written);
}

int CPCMConvert::Flush(uint8_t* out, uint32_t capacity) {
  if (!m_stream) return 0;
  const int64_t written = m_stream->Flush(out, capacity);
  if (written < 0) {
    QAV_LOG(LOG_WARNING, u"CPCMConvert[%#x] [ FAILED: flush into %u bytes ] ", reinterpret_cast<uintptr_t>(this),
            capacity);
    return -1;
  }
  return static_cast<int>(written);
}
