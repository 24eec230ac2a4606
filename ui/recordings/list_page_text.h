// The texts the voice-messages and conversations pages share: the language strings' "%s"/"%d"
// filling, the text that describes a recording, and the clipboard forms of copied recordings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class QMimeData;

// Puts the values, in order, in place of the format's "%s" and "%d" (the language files' forms).
std::u16string FillInLangFormat(std::u16string format, const std::vector<std::u16string>& values);

// "QAV received the following voice message:" with who left it, when, and how long it is, and the
// program's signature.
std::u16string RecordingDescription(const std::u16string& from, int64_t time, int32_t seconds);

// The files as a desktop's file managers paste them (text/uri-list and x-special/gnome-copied-files)
// and, when not empty, the text as text/plain. The caller owns the result.
QMimeData* CopiedFilesMimeData(const std::vector<std::u16string>& paths, const std::u16string& text);
