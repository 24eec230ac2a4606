// The call machine's steps that record conversations: start (a new conversation, or joining the
// one another call records), the beep and the chat texts that tell the partner, hold and resume,
// the user's stop, and the end of a call's part in its conversation.
//
// A call ends its part in a conversation once (CConversation::End refuses a second end), so an
// end reported twice, or a call that ends while on hold, leaves the recording of the other calls
// in a shared conversation running.
#include <memory>

#include "calls/call.h"
#include "calls/call_audio_requests.h"
#include "calls/call_collection.h"
#include "calls/call_fsm_commands.h"
#include "calls/call_fsm_functions.h"
#include "calls/call_fsm_states.h"
#include "calls/call_fsm_trace.h"
#include "calls/conversation.h"
#include "calls/conversation_collection.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "skype/link/main_window_port.h"
#include "skype/link/skype_vocabulary.h"
#include "skype/link/user.h"

namespace {

constexpr int32_t kBeepAfterStartMs = 1500;
constexpr int32_t kTextWhilePartnerUnknownMs = 1000;

void RestoreMainWindowOnConversations() {
  QAV_LOG(LOG_INFO, u"Restore Main Conversation dialog window");
  PostToMainWindow(UM_SELECTOPTIONPAGE, kPageConversations);
}

// The beep and the chat text that tell the partner the recording (re)starts. A call without a
// partner yet (one the user picked up while another call went on was never asked) is asked for it
// now, so the text reaches the partner and the side file lists them.
void PostStartNotices(const CFSMEv& event, const CCall& call) {
  if (call.GetPartner() == nullptr) CallFSMAskCall(call, SkypeCallProp::PARTNER_HANDLE);
  if (g_RecConvAudioNotificationAllowed != 0) CallFSMPost(event, EV_CONV_REC_INSERT_BEEP, kBeepAfterStartMs);
  if (g_RecConvTextNotificationStartAllowed != 0) {
    CallFSMPost(event, EV_CONV_REC_START_NOTIFY_IM, call.GetPartner() == nullptr ? kTextWhilePartnerUnknownMs : 0);
  }
}

}  // namespace

void CallFSMDoFuncStartConvRec(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  if (call.GetConversation() != nullptr) {
    CallFSMDoFuncResumeConvRec(event);
    return;
  }
  // The call itself is passed over: waiting for its pick-up it counts as recording but has no
  // conversation yet, and taken as the recording call it would begin a second conversation while
  // another call with a higher id records one, which the audio thread refuses, and the call would
  // be hung up. Passed over, it joins that conversation in either order of ids.
  const CCall* recording = g_CallCollection.GetCallRecording(&call);
  CConversation* conversation = recording != nullptr ? recording->GetConversation() : nullptr;
  const bool joined = conversation != nullptr;
  if (!joined) {
    auto created = std::make_unique<CConversation>();
    created->Init(nullptr, u"");
    conversation = g_ConversationCollection.add(std::move(created));
  }
  int outputPort = 0;
  int inputPort = 0;
  if (conversation != nullptr) {
    conversation->AttachCall(&call);
    call.SetConversation(conversation);
    if (conversation->Begin(&call, &outputPort, &inputPort) > 0) {
      SetCallAudio(call, true, outputPort, inputPort);
      QAV_LOG(LOG_INFO, u"[CallId: %d] Recording Conversation in progress, no timeout is set", call.GetCallId());
      PostStartNotices(event, call);
      return;
    }
  }
  QAV_LOG(LOG_WARNING, u"[CallId: %d] Failed to Take Audio Control for Recorded Conversation", call.GetCallId());
  call.SetConversation(nullptr);
  if (conversation != nullptr) {
    // A conversation joined from another call stays with that call; only this call leaves it.
    if (joined) conversation->DetachCall(&call);
    else g_ConversationCollection.del(conversation);
  }
  PostToMainWindow(UM_UPDATEDLG, kPageConversations);
  SetCallAudio(call, true, 0, 0);
  CallFSMPost(event, EV_FAILURE, 0);
}

void CallFSMDoFuncResumeConvRec(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  CConversation* conversation = call.GetConversation();
  int outputPort = 0;
  int inputPort = 0;
  if (conversation != nullptr && conversation->AudioCtrlTake(&call, &outputPort, &inputPort) > 0) {
    SetCallAudio(call, true, outputPort, inputPort);
    PostStartNotices(event, call);
    return;
  }
  SetCallAudio(call, true, 0, 0);
  CallFSMPost(event, EV_FAILURE, 0);
}

void CallFSMDoFuncInsertBeepToConvRec(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  const CCall& call = *CallFSMGetCall(event);
  QAV_LOG(LOG_INFO, u"[CallId: %d] Inserting Audio Notification into Recorded Conversation", call.GetCallId());
  if (!CallFSMInsertBeep()) {
    QAV_LOG(LOG_WARNING, u"[CallId: %d] Failed to Insert Audio Notification into Recorded Conversation",
            call.GetCallId());
  }
}

void CallFSMDoFuncSendMessageStartConvRec(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  const CCall& call = *CallFSMGetCall(event);
  if (call.GetPartner() == nullptr || call.GetPartner()->IsPstnNumber()) return;
  const std::u16string text = g_RecConvTextNotificationTextMsgStart.Get();
  QAV_LOG(LOG_INFO, u"[CallId: %d] Send Text Notification Message about Recorded Conversation START (%s)",
          call.GetCallId(), text);
  CallFSMSendChatText(call, text);
}

void CallFSMDoFuncStopConvRecWithNotify(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  const CCall& call = *CallFSMGetCall(event);
  if (g_RecConvAudioNotificationAllowed != 0) {
    if (CallFSMInsertBeep()) {
      CallAudio().WaitWhileBeepPlays(kBeepHeardMs);
    } else {
      QAV_LOG(LOG_WARNING, u"[CallId: %d] Failed to Insert Audio Notification when Stopping Recorded Conversation",
              call.GetCallId());
    }
  }
  if (g_RecConvTextNotificationStopAllowed != 0 && call.GetPartner() != nullptr && !call.GetPartner()->IsPstnNumber()) {
    const std::u16string text = g_RecConvTextNotificationTextMsgStop.Get();
    QAV_LOG(LOG_INFO, u"[CallId: %d] Send Text Notification Message about Recorded Conversation STOP (%s)",
            call.GetCallId(), text);
    CallFSMSendChatText(call, text);
  }
  CallFSMDoFuncStopConvRec(event);
}

void CallFSMDoFuncStopConvRec(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  SetCallAudio(call, true, 0, 0);
  if (CConversation* conversation = call.GetConversation()) conversation->AudioCtrlBreak(&call);
  if (g_RestoreWin != 0) RestoreMainWindowOnConversations();
}

void CallFSMDoFuncSkypeInprogressResumeRecordOrJoinConf(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  const CCall* recording = g_CallCollection.GetCallRecording(&call);
  CConversation* other = recording != nullptr ? recording->GetConversation() : nullptr;
  // Another call records a conversation now: this call ends its own and joins that one. When that
  // is the call's own conversation (a conference call back from hold), it only records into it
  // again through EV_AUDIO_SET, which also brings it back to the recording state; ending its part
  // and joining again would leave it in the hold state, where neither the next hold nor the user's
  // stop would reach it.
  if (other != nullptr && other != call.GetConversation()) {
    if (CConversation* own = call.GetConversation()) own->End(&call);
    call.SetConversation(nullptr);
    CallFSMDoFuncStartConvRec(event);
    return;
  }
  CallFSMPost(event, EV_AUDIO_SET, 0);
}

void CallFSMDoFuncConvDone(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  CConversation* conversation = call.GetConversation();
  if (conversation == nullptr) return;
  if (!conversation->IsActive(&call)) {
    QAV_LOG(LOG_INFO, u"[CallId: %d] Conversation part ended already", call.GetCallId());
    return;
  }
  if (conversation->GetState() == CConversation::kRecording) SetCallAudio(call, true, 0, 0);
  conversation->End(&call);
  if (g_RestoreWin != 0) RestoreMainWindowOnConversations();
}

void CallFSMDoFuncCleanUp(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  if (CallFSMGetCall(event)->GetConversation() != nullptr) CallFSMDoFuncConvDone(event);
}
