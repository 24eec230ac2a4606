#include "calls/recording_caller_note.h"

#include <vector>

#include "calls/recording_files.h"
#include "platform/text.h"

namespace {

constexpr std::string_view kFirstLine = "QAV recording caller 1";
// A note is a few hundred bytes; anything much larger is no note of ours.
constexpr size_t kMaxNoteBytes = 64 * 1024;

std::string Clean(std::u16string_view value) {
  std::string text = qav::Utf16ToUtf8(value);
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = ' ';
  }
  return text;
}

}  // namespace

std::string FormatRecordingCallerNote(const RecordingCallerNote& note) {
  return std::string(kFirstLine) + "\nfile " + Clean(note.recordingPath) + "\nhandle " + Clean(note.handle) +
         "\nname " + Clean(note.name) + "\nend\n";
}

std::optional<RecordingCallerNote> ParseRecordingCallerNote(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    if (end == std::string_view::npos) return std::nullopt;  // every line ends, "end" included
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  if (lines.size() < 2 || lines.front() != kFirstLine || lines.back() != "end") return std::nullopt;
  RecordingCallerNote note;
  bool hasFile = false, hasHandle = false;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const size_t space = line.find(' ');
    const std::string_view key = line.substr(0, space);
    const std::string_view value = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    if (key == "file") {
      note.recordingPath = qav::Utf8ToUtf16(value);
      hasFile = !value.empty();
    } else if (key == "handle") {
      note.handle = qav::Utf8ToUtf16(value);
      hasHandle = !value.empty();
    } else if (key == "name") {
      note.name = qav::Utf8ToUtf16(value);
    }  // a later version's lines are skipped
  }
  if (!hasFile || !hasHandle) return std::nullopt;
  return note;
}

bool WriteRecordingCallerNote(const std::u16string& notePath, const RecordingCallerNote& note) {
  // Written on the GUI thread as the call's recording starts, so it waits on no disk flush: a
  // killed program's note is in the system's cache all the same, and what a power loss leaves of
  // it (an empty note) reads as none, as the recording itself is flushed only when it ends.
  return !notePath.empty() &&
         qav::WriteRecordingFile(notePath, FormatRecordingCallerNote(note), qav::ReplaceDurability::kProcessEnd);
}

std::optional<RecordingCallerNote> ReadRecordingCallerNote(const std::u16string& notePath) {
  if (notePath.empty()) return std::nullopt;
  const std::optional<std::string> text = qav::ReadRecordingFile(notePath, kMaxNoteBytes);
  return text ? ParseRecordingCallerNote(*text) : std::nullopt;
}

void RemoveRecordingCallerNote(const std::u16string& notePath) {
  if (!notePath.empty()) qav::DeleteRecordingFile(notePath);
}
