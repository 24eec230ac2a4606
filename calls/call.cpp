#include "calls/call.h"

#include "calls/call_fsm_states.h"
#include "calls/call_fsm_table.h"
#include "calls/conversation.h"
#include "calls/fsm.h"
#include "calls/message.h"
#include "calls/recordings_port.h"
#include "data/string_ids.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/clock.h"
#include "skype/link/main_window_port.h"
#include "skype/link/skype_vocabulary.h"
#include "skype/link/user.h"
#include "skype/link/user_collection.h"

namespace {

bool IsOnlineStatus(int32_t status) { return status == SkypeOnlineStatus::ONLINE || status == SkypeOnlineStatus::SKYPEME; }

bool IsAwayStatus(int32_t status) {
  return status == SkypeOnlineStatus::AWAY || status == SkypeOnlineStatus::NA || status == SkypeOnlineStatus::DND ||
         status == SkypeOnlineStatus::INVISIBLE;
}

}  // namespace

int32_t CallStatusToEvent(int32_t status) {
  switch (status) {
    case SkypeCallStatus::ROUTING: return EV_SKYPE_ROUTING;
    case SkypeCallStatus::RINGING: return EV_SKYPE_RINGING;
    case SkypeCallStatus::INPROGRESS: return EV_SKYPE_INPROGRESS;
    case SkypeCallStatus::ONHOLD:
    case SkypeCallStatus::LOCALHOLD:
    case SkypeCallStatus::REMOTEHOLD: return EV_SKYPE_HOLD;
    case SkypeCallStatus::FINISHED: return EV_SKYPE_FINISHED;
    case SkypeCallStatus::FAILED:
    case SkypeCallStatus::MISSED:
    case SkypeCallStatus::REFUSED:
    case SkypeCallStatus::BUSY:
    case SkypeCallStatus::CANCELLED: return EV_SKYPE_TERMINATED;
    default: return -1;
  }
}

int32_t GetAnswerDelaySeconds(int32_t ownOnlineStatus) {
  if (IsOnlineStatus(ownOnlineStatus)) return g_SecB4AnsweringOnline;
  if (IsAwayStatus(ownOnlineStatus)) return g_SecB4AnsweringAway;
  return -1;
}

int32_t GetAnswerDelaySeconds() { return GetAnswerDelaySeconds(g_CurrentUser.GetUserStatus()); }

CCall::CCall() : m_nStartTime(qav::CurrentClock().Now().seconds) { (void)GetCallFSMTable(); }

CCall::~CCall() {
  // The recordings outlive their calls only in the lists; none may keep pointing at this one.
  if (m_pMessage != nullptr && m_pMessage->GetCall() == this) m_pMessage->DetachCall();
  if (m_pConversation != nullptr) m_pConversation->ForgetCall(this);
}

void CCall::init(int32_t callId) {
  QAV_LOG(LOG_INFO, u"CCall::init callId: %d, p=%p", callId, this);
  m_nCallId = callId;
  m_pMachine = std::make_unique<CFSMObject>();
  m_pMachine->Init(this, qav::Format(u"FSM Call[%5d]", callId), ST_NEW_CALL, &GetCallFSMTable());
  m_pPartner = nullptr;
  m_nType = -1;
  m_nStatus = -1;
}

void CCall::InitMessage(int32_t callId, CUser* partner, int64_t startTime) {
  QAV_LOG(LOG_INFO, u"CCall::InitMessage callId: %d, username: '%s', time:%I64d, p=%p", callId,
          partner ? partner->GetHandle() : std::u16string(), startTime, this);
  m_nCallId = callId;
  m_pPartner = partner;
  m_nStartTime = startTime;
}

void CCall::InitConversation(int32_t callId, int64_t startTime, CUser* partner) {
  QAV_LOG(LOG_INFO, u"CCall::InitConversation callId: %d, time:%I64d, username: '%s', p=%p", callId, startTime,
          partner ? partner->GetHandle() : std::u16string(), this);
  m_nCallId = callId;
  m_pPartner = partner;
  m_nStartTime = startTime;
}

void CCall::set(CUser* partner) {
  QAV_LOG(LOG_INFO, u"CCall::set pUser=%p, Partern SkypeName: '%s', p=%p", partner,
          partner ? partner->GetHandle() : std::u16string(), this);
  m_nInfoFlags |= kInfoPartner;
  m_pPartner = partner;
}

void CCall::set(Type typeValue) {
  const int32_t type = typeValue.value;
  QAV_LOG(LOG_INFO, u"CCall::set Type: %d, p=%p", type, this);
  m_nType = type;
  m_nInfoFlags |= kInfoType;
  if (type == SkypeCallType::INCOMING_PSTN || type == SkypeCallType::INCOMING_P2P) {
    SendMachineEvent(EV_CALL_TYPE_IN);
  } else if (type == SkypeCallType::OUTGOING_PSTN || type == SkypeCallType::OUTGOING_P2P) {
    SendMachineEvent(EV_CALL_TYPE_OUT);
  }
}

void CCall::set(Status statusValue) {
  const int32_t status = statusValue.value;
  QAV_LOG(LOG_INFO, u"CCall::set callId: %d, Status: %d, p=%p", m_nCallId, status, this);
  m_nStatus = status;
  m_nInfoFlags |= kInfoStatus;
  const int32_t event = CallStatusToEvent(status);
  if (event >= 0) SendMachineEvent(event);
}

void CCall::UserForceAnswering() {
  QAV_LOG(LOG_INFO, u"[CallId: %d] (2/4) User Forces Answering of Call Event - Make it look as timer expired",
          m_nCallId);
  SendMachineEvent(EV_USER_FORCE_ANSWERING);
}

void CCall::UserTakeControl() {
  QAV_LOG(LOG_INFO, u"[CallId: %d] (4/4) User Takes Control over Call Event", m_nCallId);
  SendMachineEvent(EV_USER_TAKE_CONTROL);
}

void CCall::UserRecordConversation(bool start) {
  QAV_LOG(LOG_INFO, start ? u"[CallId: %d] (4/4) User Record Conversation Event - Start"
                          : u"[CallId: %d] (4/4) User Record Conversation Event - Stop",
          m_nCallId);
  SendMachineEvent(start ? EV_USER_CONV_REC_START : EV_USER_CONV_REC_STOP);
}

void CCall::SendMachineEvent(int32_t event) const {
  if (!m_pMachine) {
    QAV_LOG(LOG_WARNING, u"[CallId: %d] has no state machine, event %d dropped", m_nCallId, event);
    return;
  }
  if (g_pFSM == nullptr) {
    QAV_LOG(LOG_WARNING, u"[CallId: %d] no state-machine engine, event %d dropped", m_nCallId, event);
    return;
  }
  g_pFSM->SendEvent(std::make_unique<CFSMEv>(m_pMachine.get(), event, 0));
}

bool CCall::IsMessageState() const {
  const int32_t state = GetState();
  return state == ST_MESSAGE_WAIT_INPROGRESS_REPLY || state == ST_MESSAGE_RECORDING;
}

bool CCall::IsConversationState() const {
  const int32_t state = GetState();
  return state == ST_CONV_WAIT_INPROGRESS_REPLY || state == ST_CONV_RECORDING;
}

bool CCall::IsCallInfoComplete() const {
  const int32_t all = kInfoPartner | kInfoType | kInfoStatus;
  return (m_nInfoFlags & all) == all;
}

bool CCall::IsIncoming() const {
  return m_nType == SkypeCallType::INCOMING_PSTN || m_nType == SkypeCallType::INCOMING_P2P;
}

bool CCall::IsAnsweringPossible() const {
  if (g_IsRcvdMsgsFolderLimited != 0) {
    CRecordingsPort* recordings = GetRecordingsPort();
    const uint64_t size = recordings ? static_cast<uint64_t>(recordings->GetMessagesFolderSizeBytes()) : 0;
    // Megabytes to bytes in 64 bits: a limit of 4096 MB or more would wrap in 32.
    const uint64_t limit = static_cast<uint64_t>(static_cast<uint32_t>(g_RcvdMsgsFolderSize.Get())) << 20;
    if (size >= limit) {
      QAV_LOG(LOG_INFO, u"[CallId: %d] IsAnsweringPossible - NOT !!Messages Folder Size limit Exceeded [%I64u/%I64u]",
              m_nCallId, size, limit);
      PostToMainWindow(UM_BALLOONTIP, IDS_NOTIFY_USER_FOLDER_SIZE_LIMIT_EXCEEDED, 10);
      return false;
    }
  }
  if (IsIncoming()) {
    QAV_LOG(LOG_INFO, u"[CallId: %d] IsAnsweringPossible - YES", m_nCallId);
    return true;
  }
  QAV_LOG(LOG_INFO, u"[CallId: %d] IsAnsweringPossible - NOT !! Call Type not INCOMING [%d]", m_nCallId, m_nType);
  return false;
}

bool CCall::UsesNonAuthorizedCallerSettings() const {
  return g_UseNonAuthorizedCallerSettings != 0 && (m_pPartner == nullptr || !m_pPartner->IsBuddy());
}

int32_t CCall::AnswerAllowed() const {
  if (g_AnswerAllowed == 0) {
    QAV_LOG(LOG_INFO, u"[CallId: %d] AnswerAllowed - NOT !! Global Answering OFF on INCOMING call", m_nCallId);
    return 0;
  }
  if (g_UseNonAuthorizedCallerSettings != 0) {
    if (m_pPartner == nullptr) {
      QAV_LOG(LOG_INFO, u"[CallId: %d] AnswerAllowed - NOT !! Waiting for Caller authorization information",
              m_nCallId);
      return 0;
    }
    if (g_DisableAnswerOfNonAuthCaller != 0 && !m_pPartner->IsBuddy()) {
      QAV_LOG(LOG_INFO, u"[CallId: %d] AnswerAllowed - NOT !! Caller not on your Buddy List", m_nCallId);
      return 0;
    }
  }
  const int32_t ownStatus = g_CurrentUser.GetUserStatus();
  int32_t value = 0;
  if (IsOnlineStatus(ownStatus)) value = g_AnswerAllowedOnline;
  else if (IsAwayStatus(ownStatus)) value = g_AnswerAllowedAway;
  if (value != 0) {
    QAV_LOG(LOG_INFO, u"[CallId: %d] AnswerAllowed - YES", m_nCallId);
    return value;
  }
  QAV_LOG(LOG_INFO, u"[CallId: %d] AnswerAllowed - NOT !! Current UserStatus [%d]", m_nCallId, ownStatus);
  return 0;
}
