#include "audio/recording_formats.h"

#include "audio/mpeg_utils.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"

std::optional<AudioFileKind> AudioFileKindOf(std::u16string_view path) {
  if (IsFileExtension(path, u".wav")) return AudioFileKind::kWav;
  if (IsFileExtension(path, u".mp3")) return AudioFileKind::kMp3;
  return std::nullopt;
}

std::optional<AudioFileKind> CheckJobPath(std::u16string_view path, const char16_t* otherExtensionText) {
  if (path.empty()) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR Bad File Path]");
    return std::nullopt;
  }
  const std::optional<AudioFileKind> kind = AudioFileKindOf(path);
  if (!kind) QAV_LOG(LOG_WARNING, otherExtensionText, path);
  return kind;
}

std::optional<WAVEFORMATEX> VoiceWaveFormat(int quality) {
  switch (quality) {
    case 0: return WaveUtilsMakePCMFormat(1, 16, 44100);
    case 1: return WaveUtilsMakePCMFormat(1, 16, 16000);
    case 2: return WaveUtilsMakePCMFormat(1, 8, 8000);
    default: return std::nullopt;
  }
}

std::optional<WAVEFORMATEX> ConversationWaveFormat(int quality, int channels) {
  const auto c = static_cast<uint16_t>(channels);
  switch (quality) {
    case 0: return WaveUtilsMakePCMFormat(c, 16, 16000);
    case 1: return WaveUtilsMakePCMFormat(c, 8, 16000);
    case 2: return WaveUtilsMakePCMFormat(c, 8, 8000);
    default: return std::nullopt;
  }
}

int VoiceMpegBitRate(int quality) {
  static constexpr int kRates[] = {256000, 96000, 32000};
  return quality >= 0 && quality <= 2 ? kRates[quality] : 0;
}

int ConversationMpegBitRate(int quality) {
  static constexpr int kRates[] = {128000, 64000, 32000};
  return quality >= 0 && quality <= 2 ? kRates[quality] : 0;
}

std::optional<MPEGLAYER3WAVEFORMAT> MakeMpegFormat(int bitRate, int rate, int channels) {
  MPEGFrameInfo info;
  MPEGLAYER3WAVEFORMAT mp3{};
  if (bitRate <= 0 || !qav::MakeMP3EncoderSettings(bitRate, rate, channels, &info) ||
      !MPEGFormatStructConfig(info, &mp3)) {
    return std::nullopt;
  }
  return mp3;
}
