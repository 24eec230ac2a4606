// A finished voice message in the collection for the mail and notice tests, without recording one.
#pragma once

#include <memory>
#include <string_view>

#include "calls/call.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "skype/link/user.h"
#include "skype/link/user_collection.h"

namespace qav::test {

// Gives the call its caller and a voice message of `seconds` (-1: still recording), as a finished
// recording leaves them; the message's file is the test's to write.
inline CMessage* AddVoiceMessageOf(CCall* call, std::u16string_view handle, std::u16string_view displayName,
                                   bool contact, int32_t seconds) {
  CUser* caller = g_UserCollection.FindOrCreate(handle);
  caller->SetDisplayName(displayName);
  caller->SetBuddyStatus(contact ? 2 : 1);
  call->set(caller);
  auto created = std::make_unique<CMessage>();
  created->Init(call, 0, u"wav");
  created->SetDuration(seconds);
  CMessage* message = g_MessageCollection.Add(std::move(created));
  call->SetMessage(message);
  return message;
}

}  // namespace qav::test
