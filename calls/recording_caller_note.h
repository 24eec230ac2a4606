// Who a voice message being recorded is from, kept on disk while it records, so that a recording a
// killed process left unfinished ("lastvoicemsg.<ext>", calls/leftover_voice_message.h) is listed
// under its caller rather than as "unknown".
//
// The note lives in the user's own data folder (not the messages folder, so no list ever shows
// it). It is written whole, by rename (not flushed to the disk), when the recording starts, and
// removed when it ends or is recovered. It names the recording file it belongs to: a note for
// another file (a messages folder moved since, say) is not used. A missing, torn or damaged note
// gives nothing, and the recovery keeps its "unknown".
//
// Format: UTF-8 text, LF line ends, one item a line, "end" last (a note without it is torn):
//   QAV recording caller 1
//   file <full path of the recording file>
//   handle <the caller's handle>
//   name <the caller's name as the lists show it, may be empty>
//   end
// Line breaks and other controls in a value become blanks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct RecordingCallerNote {
  std::u16string recordingPath;
  std::u16string handle;
  std::u16string name;
};

// The note's text, and the note read back from a text (nullopt for anything but a whole note with
// a file and a handle).
std::string FormatRecordingCallerNote(const RecordingCallerNote& note);
std::optional<RecordingCallerNote> ParseRecordingCallerNote(std::string_view text);

// Writes the note at `notePath` atomically; false when it cannot be written (the recording goes on
// without one).
bool WriteRecordingCallerNote(const std::u16string& notePath, const RecordingCallerNote& note);
// The note at `notePath`, when there is a usable one.
std::optional<RecordingCallerNote> ReadRecordingCallerNote(const std::u16string& notePath);
// Removes the note; nothing happens when there is none.
void RemoveRecordingCallerNote(const std::u16string& notePath);
