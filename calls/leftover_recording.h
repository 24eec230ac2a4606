// A recording file a killed process left unfinished, made whole and measured: a .wav's header sizes
// are set from the file's real length (whole sample frames), an .mp3 is measured by its frames.
// Shared by the start-up repair of voice messages and of recorded conversations.
#pragma once

#include <string>
#include <string_view>

struct LeftoverRecording {
  enum class Kind {
    kAudio,           // a recording with audio; `seconds` is its length, rounded up
    kEmpty,           // a recording that holds no audio (an empty file, or a header alone)
    kNotARecording,   // not a file in a layout the program records (left as it is)
  };
  Kind kind = Kind::kNotARecording;
  int seconds = 0;
};

// `extension` is "wav" or "mp3".
LeftoverRecording RepairLeftoverRecording(const std::u16string& path, std::u16string_view extension);
