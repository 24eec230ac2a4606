#include "app/dispatcher_link.h"

#include "calls/call.h"
#include "calls/call_collection.h"
#include "skype/dispatcher/skype_msg_hndl.h"
#include "skype/link/stl_transport.h"
#include "skype/link/user_collection.h"

CDispatcherLink::CDispatcherLink(qav::MessageLoop& guiLoop, CZVApp& app)
    : m_guiLoop(guiLoop), m_host(app), m_callMachineHost(app, m_host) {}

CDispatcherLink::~CDispatcherLink() { Shutdown(0); }

int CDispatcherLink::Start(qav::Hwnd) {
  SetRecordingsPort(&m_recordings);
  SetCallMachineHost(&m_callMachineHost);
  m_dispatcher = std::make_unique<CSkypeMsgHndl>(m_guiLoop, m_host);
  if (!m_dispatcher->CreateThread()) return 0;
  return m_dispatcher->StartSTL(std::make_unique<CSTL>(m_guiLoop));
}

bool CDispatcherLink::Shutdown(int) {
  if (m_dispatcher) {
    m_dispatcher->Shutdown();
    m_dispatcher.reset();
  }
  if (GetCallMachineHost() == &m_callMachineHost) SetCallMachineHost(nullptr);
  if (GetRecordingsPort() == &m_recordings) SetRecordingsPort(nullptr);
  return true;
}

bool CDispatcherLink::TransportExists() { return GetSkypeTransport() != nullptr; }

int32_t CDispatcherLink::TransportState() {
  auto* transport = dynamic_cast<CSkypeTransport*>(GetSkypeTransport());
  return transport ? transport->GetConnectionState() : 0;
}

void CDispatcherLink::Reconnect() {
  if (auto* transport = dynamic_cast<CSkypeTransport*>(GetSkypeTransport())) transport->Connect();
}

std::vector<CAppCallHandling> CDispatcherLink::Calls() {
  std::vector<CAppCallHandling> calls;
  std::vector<CCall*> inProgress;
  g_CallCollection.GetCallsInprogress(inProgress);
  const CCall* ringing = g_CallCollection.GetCallRinging();
  for (const CCall* call : inProgress) {
    calls.push_back({call->GetCallId(), true, false, call->IsMessageState(), call->IsConversationState()});
  }
  if (ringing) calls.push_back({ringing->GetCallId(), false, true, ringing->IsMessageState(), ringing->IsConversationState()});
  // A handled call that is neither (on hold, say) still counts for the tray's blinking.
  if (const CCall* handled = g_CallCollection.GetCallRecording()) {
    bool listed = false;
    for (const CAppCallHandling& c : calls) listed |= c.callId == handled->GetCallId();
    if (!listed) calls.push_back({handled->GetCallId(), false, false, handled->IsMessageState(), handled->IsConversationState()});
  }
  return calls;
}

bool CDispatcherLink::ForceAnswer(int32_t callId) { return m_dispatcher && m_dispatcher->PostForceAnswer(callId); }
bool CDispatcherLink::TakeControl(int32_t callId) { return m_dispatcher && m_dispatcher->PostTakeControl(callId); }
bool CDispatcherLink::RecordConversation(int32_t callId, bool start) {
  return m_dispatcher && m_dispatcher->PostRecordConversation(callId, start);
}

std::vector<int32_t> CDispatcherLink::CallIdsInProgress() {
  std::vector<CCall*> calls;
  g_CallCollection.GetCallsInprogress(calls);
  std::vector<int32_t> ids;
  for (const CCall* call : calls) ids.push_back(call->GetCallId());
  return ids;
}

std::optional<int32_t> CDispatcherLink::RingingCallId() {
  const CCall* call = g_CallCollection.GetCallRinging();
  return call ? std::optional<int32_t>(call->GetCallId()) : std::nullopt;
}

int CDispatcherLink::QueueCommand(const DeviceToSkypeCmd& command) {
  CSkypeCmdSink* transport = GetSkypeTransport();
  return transport ? transport->SendCmdAcknowledged(command) : 0;
}

CAppCurrentUser CDispatcherLink::CurrentUser() {
  CAppCurrentUser user;
  user.onlineStatus = g_CurrentUser.GetUserStatus();
  if (g_CurrentUser.GetHandle().empty()) return user;  // nobody signed in yet
  user.handle = g_CurrentUser.GetHandle();
  user.fullName = g_CurrentUser.GetFullName();
  user.displayName = g_CurrentUser.GetDisplayName();
  user.clientLanguage = g_CurrentUser.GetLanguage();
  return user;
}
