// What the e-mail thread needs to mail one voice message, copied from the model on the GUI thread.
//
// The e-mail thread never touches a CMessage: the user or the collection may delete it at any
// time (docs/model-threading.md). It gets this copy instead, and whatever must happen to the
// message afterwards (deleting it once mailed) goes back to the GUI thread, which finds the
// message again by its identity (VoiceMessageId), which stays the same when the file is renamed
// (marked seen) and is never given to another message while the program runs.
//
// The recording is found on disk the same way: the user may hear the message between the job's
// making and its mail, which renames its file. Every field of the name but the seen marker stays,
// so the file is the one of the two names (new or seen) that exists when the mail is made.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calls/message.h"

struct CVoiceMailJob {
  VoiceMessageId id = VoiceMessageId::kNone;
  std::u16string folder;    // the voice-message folder, ending in "/"
  std::u16string fileName;  // the file's name on disk when the job was made
  int32_t durationSec = 0;
  int64_t timeOfCall = 0;   // seconds since 1970
  std::u16string callerDisplayName;
  std::u16string callerDisplayNameWithHandle;
  bool callerIsContact = false;

  std::u16string FilePath() const { return folder + fileName; }
  // Where the recording may be now: the name when the job was made, then the same name with the
  // other seen marker.
  std::vector<std::u16string> PossibleFilePaths() const;
};

// The job for a message of the collection; nullopt when it has no call or the call no caller.
// GUI thread.
std::optional<CVoiceMailJob> MakeVoiceMailJob(const CMessage& message);

// The message of the collection the job was made from, or null when it is gone. GUI thread.
CMessage* FindVoiceMailJobMessage(const CVoiceMailJob& job);
