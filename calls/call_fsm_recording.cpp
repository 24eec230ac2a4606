// The call machine's steps that record a voice message and end or hand over that message, and the
// notice of a call that is done.
//
// A message that could not start is dropped from the collection at once, and EV_FAILURE follows
// as a posted event; an end, hold or take-over that arrives before it finds the call without a
// message and leaves it alone (the sound was given back when the start failed).
#include <algorithm>
#include <limits>
#include <memory>

#include "calls/call.h"
#include "calls/call_audio_requests.h"
#include "calls/call_fsm_commands.h"
#include "calls/call_fsm_functions.h"
#include "calls/call_fsm_states.h"
#include "calls/call_fsm_trace.h"
#include "calls/call_machine_host.h"
#include "calls/conversation_collection.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "skype/link/main_window_port.h"
#include "skype/link/user.h"
#include "skype/link/skype_client_info.h"
#include "skype/link/skype_vocabulary.h"

namespace {

// The client's first version that can send video from the call (2.0.0.0).
constexpr int32_t kVideoSendVersion = 0x2000000;

// The call's message while it is still in the collection: after a failed start, or after the
// user deleted it from the page, the call no longer has one.
CMessage* LiveMessage(const CCall& call) {
  CMessage* message = call.GetMessage();
  return message != nullptr && g_MessageCollection.Contains(message) ? message : nullptr;
}

void DropMessage(CCall& call, CMessage* message) {
  if (message != nullptr) g_MessageCollection.del(message);
  call.SetMessage(nullptr);
}

void RestoreMainWindowOnMessages() {
  QAV_LOG(LOG_INFO, u"Restore Main Message dialog window");
  PostToMainWindow(UM_SELECTOPTIONPAGE, kPageVoiceMessages);
}

// The longest message, in milliseconds; 0 for none.
int32_t MaxMessageMs(const CCall& call) {
  const int64_t seconds =
      call.UsesNonAuthorizedCallerSettings() ? g_MaxRecordingDurationForNonAuthSec : g_MaxRecordingDurationSec;
  if (seconds <= 0) return 0;
  return static_cast<int32_t>(std::min<int64_t>(seconds * 1000, std::numeric_limits<int32_t>::max()));
}

void SendTextGreeting(const CCall& call) {
  const bool otherCaller = call.UsesNonAuthorizedCallerSettings();
  const bool allowed = (otherCaller ? g_GreetingTextMsgAllowedForNonAuth : g_GreetingTextMsgAllowed) != 0;
  if (!allowed || call.GetPartner() == nullptr || call.GetPartner()->IsPstnNumber()) return;
  const std::u16string text = otherCaller ? g_GreetingTextMsgForNonAuth.Get() : g_GreetingTextMsg.Get();
  QAV_LOG(LOG_INFO, u"[CallId: %d] Sending Text Greeting Message (%s)", call.GetCallId(), text);
  CallFSMSendChatText(call, text);
}

}  // namespace

void CallFSMDoFuncSkypeInprogressStartRecMessage(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  const bool videoGreeting = g_GreetingVideoAllowed != 0 && CallAudio().HasVideoDriver();
  if (GetInstalledSkypeVersion() >= kVideoSendVersion) {
    if (videoGreeting) {
      CallFSMSetVideoInToWebcam();
      CallFSMAlterCall(call, SkypeCallProp::START_VIDEO_SEND);
    } else {
      CallFSMAlterCall(call, SkypeCallProp::STOP_VIDEO_SEND);
    }
  }
  auto created = std::make_unique<CMessage>();
  created->Init(&call, 0, u"");
  CMessage* message = g_MessageCollection.Add(std::move(created));
  call.SetMessage(message);
  int outputPort = 0;
  int inputPort = 0;
  if (message != nullptr && message->AudioCtrlTake(&outputPort, &inputPort) > 0) {
    SetCallAudio(call, false, outputPort, inputPort);
    if (videoGreeting) CallAudio().PlayVideoFileStart(g_GreetingVideoMsgPath.Get());
    if (const int32_t maxMs = MaxMessageMs(call); maxMs > 0) {
      QAV_LOG(LOG_INFO, u"[CallId: %d] Recording Message in progress, setting timer for %d sec", call.GetCallId(),
              maxMs / 1000);
      CallFSMPost(event, CFSMEv::kTimeout, maxMs);
    } else {
      QAV_LOG(LOG_INFO, u"[CallId: %d] Recording Message in progress, no timeout is set", call.GetCallId());
    }
    SendTextGreeting(call);
    return;
  }
  QAV_LOG(LOG_WARNING, u"[CallId: %d] Audio Take Control for Recorded Message failed", call.GetCallId());
  DropMessage(call, message);
  PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
  SetCallAudio(call, true, 0, 0);
  if (CallAudio().HasVideoDriver()) CallFSMRestoreVideoIn();
  CallFSMPost(event, EV_FAILURE, 0);
}

void CallFSMDoFuncStopRecMessage(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  CMessage* message = LiveMessage(call);
  if (message == nullptr) {
    QAV_LOG(LOG_INFO, u"[CallId: %d] No voice message to stop", call.GetCallId());
    return;
  }
  SetCallAudio(call, true, 0, 0);
  if (CallAudio().HasVideoDriver()) {
    CallFSMRestoreVideoIn();
    CallAudio().PlayVideoFileStop();
  }
  message->AudioCtrlBreak();
  const bool otherCaller = call.UsesNonAuthorizedCallerSettings();
  const bool notify = (otherCaller ? g_EMailNotificationAllowedForNonAuth : g_EMailNotificationAllowed) != 0;
  const bool attach = (otherCaller ? g_EMailAttachmentAllowedForNonAuth : g_EMailAttachmentAllowed) != 0;
  const bool autoDelete = (otherCaller ? g_AutoDelMsgAfterEMailAllowedForNonAuth : g_AutoDelMsgAfterEMailAllowed) != 0;
  if (notify) PostToMainWindow(UM_EMAILVOICEMSG, static_cast<uint64_t>(message->GetId()));
  // A message that is mailed and then deleted leaves nothing to show.
  if (g_RestoreWin != 0 && !(notify && attach && autoDelete)) RestoreMainWindowOnMessages();
  if (g_MessageCollection.GetNumNewSavedVoiceMessages() != 0) g_bTrayNewMessageFlag = true;
}

void CallFSMDoFuncStopRecMessageAndSendFinish(CFSMEv& event) {
  CallFSMDoFuncStopRecMessage(event);
  CallFSMDoFuncSendFinish(event);
}

void CallFSMDoFuncStopRecMessageUserTakeControl(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  if (CallAudio().HasVideoDriver()) {
    CallFSMAlterCall(call, SkypeCallProp::STOP_VIDEO_SEND);
    CallFSMRestoreVideoIn();
    CallAudio().PlayVideoFileStop();
  }
  if (CMessage* message = LiveMessage(call)) {
    // The caller hears that the user is on the line, before the sound goes to the sound card.
    if (CallFSMInsertBeep()) {
      CallAudio().WaitWhileBeepPlays(kBeepHeardMs);
    } else {
      QAV_LOG(LOG_WARNING, u"[CallId: %d] Failed to Insert Audio Notification when User Take Contorl",
              call.GetCallId());
    }
    SetCallAudio(call, true, 0, 0);
    message->AudioCtrlBreak();
    const int32_t option = g_TakeControlUserOption;
    const bool drop = option == 0 || (option == 1 && message->GetDuration() < 1);
    if (!drop) {
      g_bTrayNewMessageFlag = true;
      if (g_RestoreWin != 0) RestoreMainWindowOnMessages();
    } else {
      if (message->DeleteFile() == 0) {
        const std::u16string text = u"Error deleting file: " + message->GetFilePath();
        QAV_LOG(LOG_WARNING, u"%s", text);
        // Queued: a message box here would run a loop inside this dispatch.
        if (CCallMachineHost* host = GetCallMachineHost()) host->ReportError(text);
      }
      DropMessage(call, message);
      PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
    }
  } else {
    QAV_LOG(LOG_INFO, u"[CallId: %d] No voice message to hand over", call.GetCallId());
  }
  if (g_ConversationAutoRecordMode != 0) CallFSMPost(event, EV_START_REC_CONV, 0);
}

void CallFSMDoFuncCleanUpMessage(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  SetCallAudio(*CallFSMGetCall(event), true, 0, 0);
  CallFSMDoFuncCleanUp(event);
}

void CallFSMDoFuncCallDoneNotifyEvents(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  const CCall& call = *CallFSMGetCall(event);
  const CMessage* message = LiveMessage(call);
  const CConversation* conversation =
      g_ConversationCollection.Contains(call.GetConversation()) ? call.GetConversation() : nullptr;
  if (message == nullptr && conversation == nullptr) return;
  if (CCallMachineHost* host = GetCallMachineHost()) host->NotifyCallDone(message, conversation);
}
