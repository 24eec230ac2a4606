// The notice mail for a new voice message: whether to send it, to whom, its subject and body, and
// whether the recording goes with it and is deleted afterwards, from the e-mail options and the
// language strings.
//
// The caller's options are the ones for non-contacts (the "ForNonAuth" variables) when the caller
// is not a contact and UseNonAuthorizedCallerSettings is set, else the general ones. A message
// shorter than 1 s is never attached. With the attachment and the deletion options both on, a
// message is deleted after mailing when it was attached or has no recording at all (0 s), and the
// body says so; a message with a recording that did not go along is kept.
//
// Threading: any thread (the option variables and language tables guard themselves).
#pragma once

#include <string>

#include "app/voice_mail_job.h"

struct CVoiceMailNotice {
  bool send = false;      // the notification option is on
  bool attach = false;    // the recording goes with the mail
  bool deleteAfterSending = false;  // and the message is deleted once the mail is accepted
  std::u16string to;
  std::u16string subject;
  std::u16string body;
};

CVoiceMailNotice ComposeVoiceMailNotice(const CVoiceMailJob& job);
