// How file playback tells its client how it goes: the audio thread posts the client's message with
// the event in wParam and, for a block played, the byte position in the file just after the block
// in lParam. The end notice's lParam is 0 at the end of the file, and where playback had got to
// when it was cut short (a call's recording took the sound card, or the driver ended). The player
// and the greeting pages ask under UM_AUDIONOTIFY and read it back with DecodePlaybackNotice;
// nothing else needs the numbers.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/message.h"

// The message the user interface's players ask the notices under (WM_USER + 230).
inline constexpr uint32_t UM_AUDIONOTIFY = 0x4E6;

// Playback notices (wParam); the same values are the mask bits that ask for them.
constexpr uint32_t AUDIO_EVENT_PLAY_DONE = 2;
constexpr uint32_t AUDIO_EVENT_BUFFER_PLAYED = 16;

struct PlaybackNotice {
  enum class Kind {
    kEnded,     // the last block has played (`position` 0), or playback was cut short at `position`
    kPosition,  // a block has played: `position` is the file's byte just after it
  };
  Kind kind = Kind::kEnded;
  int64_t position = 0;
};

// The notice a UM_AUDIONOTIFY message carries; nullopt for any other message or event.
std::optional<PlaybackNotice> DecodePlaybackNotice(const qav::Msg& message);
