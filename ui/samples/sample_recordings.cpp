#include "ui/samples/sample_recordings.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "calls/call.h"
#include "calls/call_collection.h"
#include "calls/conversation.h"
#include "calls/conversation_collection.h"
#include "calls/conversation_data_file.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "calls/rebuilt_calls.h"
#include "skype/link/user.h"
#include "skype/link/user_collection.h"

namespace qav::samples {

namespace {

CUser* Caller(SampleCaller caller) {
  CUser* user = g_UserCollection.FindOrCreate(caller.handle);
  user->SetDisplayName(caller.name);
  return user;
}

}  // namespace

CMessage* AddSampleVoiceMessage(int32_t callId, SampleCaller caller, int32_t seconds, bool heard) {
  auto call = std::make_unique<CCall>();
  call->init(callId);
  CCall* added = call.get();
  g_CallCollection.Add(std::move(call));
  CUser* user = Caller(caller);
  user->SetBuddyStatus(2);
  added->set(user);
  auto message = std::make_unique<CMessage>();
  message->Init(added, heard ? 1 : 0, u"wav");
  message->SetDuration(seconds);
  CMessage* kept = g_MessageCollection.Add(std::move(message));
  added->SetMessage(kept);
  return kept;
}

CConversation* AddSampleConversation(int64_t startTime, int32_t seconds, std::initializer_list<SampleCaller> partners) {
  auto conversation = std::make_unique<CConversation>();
  // A conference id of its own, so its files never meet another conversation's.
  conversation->Init(&startTime, u"wav");
  const std::u16string folder = g_ConversationCollection.GetConversationsFolder();
  const std::u16string name = conversation->GetAudioFileName();
  std::vector<std::u16string> handles;
  for (const SampleCaller& partner : partners) {
    Caller(partner);
    handles.emplace_back(partner.handle);
  }
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(folder), ignored);
  {
    std::ofstream side(std::filesystem::path(folder + conversation->GetDataFileName()), std::ios::binary);
    side << BuildConversationData(seconds, handles);
    if (!side.flush()) return nullptr;
  }
  int32_t nextCallId = kRebuiltConversationCallIdBase;
  if (conversation->InitFromFile(folder, name, &nextCallId) != 1) return nullptr;
  return g_ConversationCollection.add(std::move(conversation));
}

}  // namespace qav::samples
