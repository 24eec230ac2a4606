#include "app/voice_mail_job.h"

#include "calls/call.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "calls/recording_file_names.h"
#include "skype/link/user.h"

std::optional<CVoiceMailJob> MakeVoiceMailJob(const CMessage& message) {
  const CCall* call = message.GetCall();
  if (call == nullptr || call->GetPartner() == nullptr) return std::nullopt;
  const CUser& caller = *call->GetPartner();
  CVoiceMailJob job;
  job.id = message.GetId();
  job.folder = g_MessageCollection.GetMessagesFolder();
  job.fileName = message.GetFileName();
  job.durationSec = message.GetDuration();
  job.timeOfCall = call->GetStartTime();
  job.callerDisplayName = caller.GetDisplayName();
  job.callerDisplayNameWithHandle = caller.GetDisplayNameWithHandle();
  job.callerIsContact = caller.IsBuddy();
  return job;
}

CMessage* FindVoiceMailJobMessage(const CVoiceMailJob& job) { return g_MessageCollection.Find(job.id); }

std::vector<std::u16string> CVoiceMailJob::PossibleFilePaths() const {
  std::vector<std::u16string> paths{FilePath()};
  // Marking the message new or seen renames it to the name with the other marker, every other
  // field kept.
  const std::optional<VoiceMessageFileName> name = ParseVoiceMessageFileName(fileName);
  if (!name) return paths;
  const std::u16string other =
      BuildVoiceMessageFileName(name->caller, name->startTime, name->duration, !name->seen, name->extension);
  if (!other.empty()) paths.push_back(folder + other);
  return paths;
}
