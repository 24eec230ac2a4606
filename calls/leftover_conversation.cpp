#include "calls/leftover_conversation.h"

#include "calls/conversation_data_file.h"
#include "calls/leftover_recording.h"
#include "calls/recording_file_names.h"
#include "calls/recording_files.h"
#include "foundation/logger.h"
#include "platform/text.h"

void RecoverLeftoverConversations(const std::u16string& folder) {
  for (const std::u16string& name : qav::ListRecordingFiles(folder)) {
    const std::optional<ConversationFileName> parsed = ParseConversationFileName(name);
    if (!parsed) continue;
    const std::u16string path = folder + name;
    // The side file sits beside the audio under the same name, as the loader looks for it.
    const std::u16string dataPath = path.substr(0, path.size() - 3) + u"dat";
    if (qav::RecordingFileSize(dataPath) >= 0) continue;
    const LeftoverRecording leftover = RepairLeftoverRecording(path, parsed->extension);
    switch (leftover.kind) {
      case LeftoverRecording::Kind::kNotARecording:
        QAV_LOG(LOG_WARNING, u"RecoverLeftoverConversations [%s has no side file and is no recording: left as it is]",
                path);
        break;
      case LeftoverRecording::Kind::kEmpty:
        QAV_LOG(LOG_WARNING, u"RecoverLeftoverConversations [%s holds no audio: removed]", path);
        qav::DeleteRecordingFile(path);
        break;
      case LeftoverRecording::Kind::kAudio:
        if (!qav::WriteRecordingFile(dataPath, BuildConversationData(leftover.seconds, {}))) {
          QAV_LOG(LOG_WARNING, u"RecoverLeftoverConversations [ERROR writing %s]", dataPath);
          break;
        }
        QAV_LOG(LOG_WARNING, u"RecoverLeftoverConversations [an unfinished conversation of %d sec is kept: %s]",
                leftover.seconds, name);
        break;
    }
  }
}
