#include "audio/playback_notice.h"

std::optional<PlaybackNotice> DecodePlaybackNotice(const qav::Msg& message) {
  if (message.message != UM_AUDIONOTIFY) return std::nullopt;
  if (message.wParam & AUDIO_EVENT_PLAY_DONE) {
    return PlaybackNotice{PlaybackNotice::Kind::kEnded, static_cast<int64_t>(message.lParam)};
  }
  if (message.wParam & AUDIO_EVENT_BUFFER_PLAYED) {
    return PlaybackNotice{PlaybackNotice::Kind::kPosition, static_cast<int64_t>(message.lParam)};
  }
  return std::nullopt;
}
