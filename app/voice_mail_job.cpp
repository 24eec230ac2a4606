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
