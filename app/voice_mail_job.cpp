#include "app/voice_mail_job.h"

#include "calls/call.h"
#include "calls/message.h"
#include "calls/message_collection.h"
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
  // "<caller>.<time>.<duration>.<marker>.<extension>": the marker is the field before the last.
  const size_t extensionDot = fileName.rfind(u'.');
  const size_t markerDot = extensionDot == 0 || extensionDot == std::u16string::npos
                               ? std::u16string::npos
                               : fileName.rfind(u'.', extensionDot - 1);
  if (markerDot == std::u16string::npos) return paths;
  // Any marker but "n" reads as seen; marking it new or seen writes "n" or "s".
  const bool seen = fileName.compare(markerDot + 1, extensionDot - markerDot - 1, u"n") != 0;
  std::u16string other = fileName;
  other.replace(markerDot + 1, extensionDot - markerDot - 1, seen ? u"n" : u"s");
  paths.push_back(folder + other);
  return paths;
}
