#include "calls/leftover_voice_message.h"

#include <sys/stat.h>

#include <optional>

#include "calls/leftover_recording.h"
#include "calls/recording_caller_note.h"
#include "calls/recording_file_names.h"
#include "calls/recording_files.h"
#include "foundation/logger.h"
#include "platform/text.h"

std::vector<RecoveredVoiceMessageCaller> RecoverLeftoverVoiceMessages(const std::u16string& folder,
                                                                      const std::u16string& notePath) {
  std::vector<RecoveredVoiceMessageCaller> callers;
  const std::optional<RecordingCallerNote> note = ReadRecordingCallerNote(notePath);
  for (const std::u16string& temporary : qav::ListRecordingFiles(folder)) {
    // "lastvoicemsg.<ext>", or "lastvoicemsg.<n>.<ext>" kept by a message that could not take its
    // final name.
    const std::optional<std::u16string> temporaryExtension = ParseVoiceMessageTemporaryName(temporary);
    if (!temporaryExtension) continue;
    const std::u16string& extension = *temporaryExtension;
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
