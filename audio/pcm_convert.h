// PCM to PCM conversion: channel count, then rate and sample width.
//
// The channel step (1 to 2 or 2 to 1 channels, 8 or 16 bits) is the program's own routine; it runs
// first, at the source's rate and width. The rate and width stage that follows, when the formats
// still differ, is a PCM stream of the platform layer (libsoxr for the rate). With neither step the
// block is copied as it is.
#pragma once

#include <memory>
#include <vector>

#include "audio/audio_format_converter.h"
#include "platform/codecs/pcm_stream.h"

class CPCMConvert : public CAudioFormatConverter {
 public:
  CPCMConvert() = default;
  ~CPCMConvert() override = default;

  int Init(const WAVEFORMATEX* source, const WAVEFORMATEX* destination) override;
  // Converts the whole sample frames of the block (a trailing partial frame is ignored).
  int Convert(const uint8_t* data, uint32_t size, uint8_t* out, uint32_t capacity) override;
  int Flush(uint8_t* out, uint32_t capacity) override;

  bool UsesChannelRoutine() const { return m_channelRoutine != nullptr; }
  bool UsesRateStage() const { return m_stream != nullptr; }

 private:
  using ChannelRoutine = size_t (*)(const uint8_t* in, size_t bytes, uint8_t* out);

  int Fail();

  ChannelRoutine m_channelRoutine = nullptr;
  // Output bytes per input byte of the channel step: m_ratioNumerator / m_ratioDenominator.
  uint32_t m_ratioNumerator = 1;
  uint32_t m_ratioDenominator = 1;
  std::unique_ptr<qav::PcmStream> m_stream;
  std::vector<uint8_t> m_channelBuffer;  // channel step output that feeds the rate stage
};

namespace qav {
// "MONO" for one channel, "STEREO" otherwise, as the traces name them.
const char16_t* ChannelsName(int channels);
// A PCM format whose fields agree with each other (block align, rate, 8 to 32 bits).
bool IsConsistentPcmFormat(const WAVEFORMATEX& format);
}  // namespace qav
