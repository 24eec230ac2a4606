// What the voice-messages and conversations pages share: the player's result codes they walk by,
// the delay of a deferred list rebuild, the language strings' "%s"/"%d" filling, the text that
// describes a recording, and the clipboard forms of copied recordings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class QMimeData;

// The player dialog's results.
inline constexpr int kListPlayerPrevious = 4721;
inline constexpr int kListPlayerNext = 4722;
inline constexpr int kListPlayerDelete = 4723;
inline constexpr int kListPlayerDeleteAndNext = 4724;
inline constexpr int kListPlayerError = 4725;
inline constexpr int kListPlayerNothingToPlay = 4726;

// A second rebuild asked for within the same second follows this much later.
inline constexpr int kListRefreshDelayMs = 250;

// Puts the values, in order, in place of the format's "%s" and "%d" (the language files' forms).
std::u16string FillInLangFormat(std::u16string format, const std::vector<std::u16string>& values);

// "QAV received the following voice message:" with who left it, when, and how long it is, and the
// program's signature.
std::u16string RecordingDescription(const std::u16string& from, int64_t time, int32_t seconds);

// The files as a desktop's file managers paste them (text/uri-list and x-special/gnome-copied-files)
// and, when not empty, the text as text/plain. The caller owns the result.
QMimeData* CopiedFilesMimeData(const std::vector<std::u16string>& paths, const std::u16string& text);
