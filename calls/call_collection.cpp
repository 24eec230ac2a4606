#include "calls/call_collection.h"

#include "calls/call_fsm_table.h"
#include "calls/rebuilt_calls.h"
#include "foundation/logger.h"
#include "skype/link/skype_vocabulary.h"

CCallCollection g_CallCollection;

CCallCollection::~CCallCollection() {
  m_calls.clear();
  m_displaced.clear();
  // Only the program's own collection shares the table with every call; a test's collection leaves
  // it to the calls that other collections still hold.
  if (this == &g_CallCollection) DeleteCallFSMTable();
}

void CCallCollection::Add(std::unique_ptr<CCall> call) {
  if (!call) return;
  QAV_LOG(LOG_INFO, u"CCallCollection::Add callId: %d, p=%p", call->GetCallId(), call.get());
  std::unique_ptr<CCall>& slot = m_calls[call->GetCallId()];
  if (slot) {
    QAV_LOG(LOG_WARNING, u"CCallCollection::Add callId: %d replaces p=%p, kept until the calls are cleared",
            call->GetCallId(), slot.get());
    m_displaced.push_back(std::move(slot));
  }
  slot = std::move(call);
}

CCall* CCallCollection::Get(int32_t callId) const {
  QAV_LOG(LOG_INFO, u"CCallCollection::Get callId: %d", callId);
  auto entry = m_calls.find(callId);
  return entry == m_calls.end() ? nullptr : entry->second.get();
}

void CCallCollection::Del(int32_t callId) {
  QAV_LOG(LOG_INFO, u"CCallCollection::Del");
  auto entry = m_calls.find(callId);
  if (entry == m_calls.end()) return;
  // Out of the map first, so that nothing the deletion sets off finds a half-deleted call.
  std::unique_ptr<CCall> call = std::move(entry->second);
  m_calls.erase(entry);
}

void CCallCollection::DeleteAll() {
  std::map<int32_t, std::unique_ptr<CCall>> calls = std::move(m_calls);
  std::vector<std::unique_ptr<CCall>> displaced = std::move(m_displaced);
  m_calls.clear();
  m_displaced.clear();
}

// The calls of the call client, without those rebuilt for stored recordings: the rebuilt ones have
// the lowest ids (below kRebuiltConversationCallIdBase) and can be neither ringing, in progress nor
// recording, and a user with 100,000 stored messages made every scan on the way to answering a
// call walk past 100,000 of them (some 20 ms a ring).
auto CCallCollection::ClientCalls() const -> CallRange {
  return {m_calls.lower_bound(kRebuiltConversationCallIdBase), m_calls.end()};
}

CCall* CCallCollection::GetCallRinging() const {
  QAV_LOG(LOG_INFO, u"CCallCollection::GetCallRinging");
  for (const auto& [id, call] : ClientCalls()) {
    const int32_t status = call->GetStatus();
    if (call->IsIncoming() && (status == SkypeCallStatus::RINGING || status == SkypeCallStatus::EARLYMEDIA)) {
      return call.get();
    }
  }
  return nullptr;
}

CCall* CCallCollection::GetCallInprogress() const {
  QAV_LOG(LOG_INFO, u"CCallCollection::GetCallInprogress");
  for (const auto& [id, call] : ClientCalls()) {
    if (call->GetStatus() == SkypeCallStatus::INPROGRESS) return call.get();
  }
  return nullptr;
}

int CCallCollection::GetCallsInprogress(std::vector<CCall*>& calls) const {
  if (!calls.empty()) return 0;
  for (const auto& [id, call] : ClientCalls()) {
    if (call->GetStatus() == SkypeCallStatus::INPROGRESS) calls.push_back(call.get());
  }
  return 1;
}

CCall* CCallCollection::GetCallRecording(const CCall* except) const {
  for (const auto& [id, call] : ClientCalls()) {
    if (call.get() == except) continue;
    if (call->IsMessageState() || call->IsConversationState()) return call.get();
  }
  return nullptr;
}

CCall* CCallCollection::GetCallUsingLine(const CCall* except) const {
  if (CCall* recording = GetCallRecording(except)) return recording;
  for (const auto& [id, call] : ClientCalls()) {
    if (call.get() != except && call->IsBeingAnswered()) return call.get();
  }
  return nullptr;
}

std::vector<int32_t> CCallCollection::GetCallIds() const {
  std::vector<int32_t> ids;
  ids.reserve(m_calls.size());
  for (const auto& [id, call] : m_calls) ids.push_back(id);
  return ids;
}

void CCallCollection::ReplacePartner(const CUser* from, CUser* to) {
  auto repoint = [&](CCall& call) {
    if (call.GetPartner() == from) call.set(to);
  };
  for (auto& [id, call] : m_calls) repoint(*call);
  for (auto& call : m_displaced) repoint(*call);
}
