// The call machine's steps that reject a call which rings while another call goes on (call
// waiting): hang it up, then tell the caller by a chat text why.
//
// The rejected call carries the call-waiting marker from the hang-up until its text has been
// queued, so the dispatcher keeps it through its end status. The text needs the caller's handle,
// which the client may report late; the machine looks again every 200 ms, for at most
// kRejectTextTries times, and then goes on without the text rather than keep the call for ever.
#include "calls/call.h"
#include "calls/call_collection.h"
#include "calls/call_fsm_commands.h"
#include "calls/call_fsm_functions.h"
#include "calls/call_fsm_states.h"
#include "calls/call_fsm_trace.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "skype/link/skype_vocabulary.h"

namespace {

constexpr int32_t kRejectTextRetryMs = 200;
// 5 seconds of looking for the caller's handle.
constexpr int32_t kRejectTextTries = 25;

}  // namespace

void CallFSMDoFuncRingingRejectCall(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  call.SetCallWaitingMarker(true);
  call.SetRejectTextRetries(0);
  CallFSMDoFuncSendFinish(event);
  CallFSMAskCall(call, SkypeCallProp::PARTNER_HANDLE);
  CallFSMPost(event, CFSMEv::kTimeout, kRejectTextRetryMs);
}

void CallFSMDoFuncCheckSendMessageForRejectedCallWaiting(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  if (call.GetPartner() == nullptr) {
    const int32_t tries = call.GetRejectTextRetries() + 1;
    call.SetRejectTextRetries(tries);
    if (tries < kRejectTextTries) {
      CallFSMPost(event, CFSMEv::kTimeout, kRejectTextRetryMs);
      return;
    }
    QAV_LOG(LOG_WARNING, u"[CallId: %d] Caller of the rejected waiting call still unknown after %d ms, no text sent",
            call.GetCallId(), tries * kRejectTextRetryMs);
  } else {
    const CCall* recording = g_CallCollection.GetCallRecording(&call);
    if (recording != nullptr && recording->IsMessageState()) {
      // The program is answering the other call.
      if (g_RejectCallWaitingQAVTextEnabled != 0) CallFSMSendChatText(call, g_RejectCallWaitingQAVTextMsg.Get());
    } else if (g_RejectCallWaitingUserTextEnabled != 0) {
      // The user is in the other call.
      CallFSMSendChatText(call, g_RejectCallWaitingUserTextMsg.Get());
    }
  }
  CallFSMPost(event, EV_REJECT_CALL_WAIT_DONE, 0);
  call.SetCallWaitingMarker(false);
  CallFSMAskCall(call, SkypeCallProp::STATUS);
}
