#include "calls/rebuilt_calls.h"

#include <memory>

#include "calls/call.h"
#include "calls/call_collection.h"

int32_t NextRebuiltCallId(int32_t* counter) {
  do {
    --*counter;
  } while (g_CallCollection.Contains(*counter));
  return *counter;
}

CCall* AddRebuiltMessageCall(int32_t* counter, CUser* partner, int64_t startTime) {
  auto call = std::make_unique<CCall>();
  call->InitMessage(NextRebuiltCallId(counter), partner, startTime);
  CCall* added = call.get();
  g_CallCollection.Add(std::move(call));
  return added;
}

CCall* AddRebuiltConversationCall(int32_t* counter, int64_t startTime, CUser* partner) {
  auto call = std::make_unique<CCall>();
  call->InitConversation(NextRebuiltCallId(counter), startTime, partner);
  CCall* added = call.get();
  g_CallCollection.Add(std::move(call));
  return added;
}

bool IsRebuiltCall(const CCall& call) { return call.GetMachine() == nullptr && call.GetCallId() < 0; }

void DeleteRebuiltCallIfUnused(CCall* call) {
  if (call == nullptr || !IsRebuiltCall(*call) || call->HoldsRecording()) return;
  if (g_CallCollection.Get(call->GetCallId()) == call) g_CallCollection.Del(call->GetCallId());
}
