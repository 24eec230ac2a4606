#include "calls/leftover_voice_message.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "calls/leftover_recording.h"
#include "calls/recording_caller_note.h"
#include "calls/recording_file_names.h"
#include "calls/recording_files.h"
#include "foundation/logger.h"
#include "platform/text.h"

namespace {

// The files in the folder under a temporary name, "lastvoicemsg.<ext>" or "lastvoicemsg.<n>.<ext>"
// (one kept by a message that could not take its final name), each with its extension.
std::vector<std::pair<std::u16string, std::u16string>> TemporaryRecordingNames(const std::u16string& folder) {
  std::vector<std::pair<std::u16string, std::u16string>> found;
  const std::u16string base = std::u16string(kVoiceMessageTemporaryBase) + u".";
  for (const std::u16string& name : qav::ListRecordingFiles(folder)) {
    if (!name.starts_with(base) || name.size() < base.size() + 3) continue;
    const std::u16string extension = name.substr(name.size() - 3);
    if (extension != u"wav" && extension != u"mp3") continue;
    const std::u16string_view middle = std::u16string_view(name).substr(base.size(), name.size() - 3 - base.size());
    const bool numbered = middle.size() >= 2 && middle.back() == u'.' &&
                          std::all_of(middle.begin(), middle.end() - 1, [](char16_t c) { return c >= u'0' && c <= u'9'; });
    if (middle.empty() || numbered) found.emplace_back(name, extension);
  }
  return found;
}

}  // namespace

std::vector<RecoveredVoiceMessageCaller> RecoverLeftoverVoiceMessages(const std::u16string& folder,
                                                                      const std::u16string& notePath) {
  std::vector<RecoveredVoiceMessageCaller> callers;
  const std::optional<RecordingCallerNote> note = ReadRecordingCallerNote(notePath);
  for (const auto& [temporary, extension] : TemporaryRecordingNames(folder)) {
    const std::u16string path = folder + temporary;
    struct stat st {};
    if (::stat(qav::U8(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const LeftoverRecording leftover = RepairLeftoverRecording(path, extension);
    // Nothing else ever has this name: a file the repair cannot use holds nothing to keep.
    if (leftover.kind != LeftoverRecording::Kind::kAudio) {
      QAV_LOG(LOG_WARNING, u"RecoverLeftoverVoiceMessages [%s holds no audio: removed]", path);
      qav::DeleteRecordingFile(path);
      continue;
    }
    const bool noted = note && note->recordingPath == path;
    const std::u16string_view caller = noted ? std::u16string_view(note->handle) : kUnknownCallerHandle;
    const int seconds = leftover.seconds;
    const std::u16string name =
        BuildVoiceMessageFileName(caller, static_cast<int64_t>(st.st_mtime) - seconds, seconds, false, extension);
    if (name.empty() || !qav::MoveRecordingFile(path, folder + name)) {
      QAV_LOG(LOG_WARNING, u"RecoverLeftoverVoiceMessages [ERROR keeping %s as %s]", path, name);
      continue;
    }
    QAV_LOG(LOG_WARNING, u"RecoverLeftoverVoiceMessages [an unfinished voice message of %d sec is kept as %s]",
            seconds, name);
    // The handle as the file name carries it, which is the one the list's contact gets.
    const std::optional<VoiceMessageFileName> parsed = ParseVoiceMessageFileName(name);
    if (noted && parsed) callers.push_back({parsed->caller, note->name});
  }
  // No recording runs while a user's messages load: whatever note is left belongs to nothing now.
  RemoveRecordingCallerNote(notePath);
  return callers;
}
