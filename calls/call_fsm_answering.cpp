// The call machine's functions that take a ringing call to an answer, or leave it ringing, and
// that ask the client about a call or hang it up. They need only calls, contacts, the options,
// the client link and whether the user records a greeting; the steps that record live in
// calls/call_fsm_recording.cpp.
#include <algorithm>
#include <limits>
#include <memory>

#include "calls/call.h"
#include "calls/call_audio_requests.h"
#include "calls/call_collection.h"
#include "calls/call_fsm_commands.h"
#include "calls/call_fsm_functions.h"
#include "calls/call_fsm_states.h"
#include "calls/call_fsm_trace.h"
#include "calls/fsm.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "skype/link/skype_vocabulary.h"

namespace {

constexpr int32_t kIncompleteInfoRetryMs = 150;
constexpr int32_t kForceAnswerRetryMs = 200;
// How often a call held back by a greeting take looks again whether it may be answered.
constexpr int32_t kGreetingTakeRetryMs = 1000;
// How often a call that found the line in use looks again whether it is free.
constexpr int32_t kLineInUseRetryMs = 1000;
// How long the client has to confirm an answer (INPROGRESS): past the link's three sends of a
// command, 5 s apart and each after a new attach, after which the link gives the command up.
constexpr int32_t kAnswerConfirmMs = 20000;
// The answers sent for one voice message before the call is left to ring.
constexpr int32_t kMaxAnswerSends = 2;
// Waiting calls that no rejection option takes count towards the call-waiting tip.
constexpr int32_t kWaitingCallsPerTip = 3;
constexpr int32_t kMaxCallWaitingTips = 3;

int g_unrejectedWaitingCalls = 0;

void CountUnrejectedWaitingCall() {
  if (++g_unrejectedWaitingCalls < kWaitingCallsPerTip) return;
  g_unrejectedWaitingCalls = 0;
  if (g_CallWaitingInfoTipShowedCount < kMaxCallWaitingTips) {
    g_CallWaitingInfoTipShowedCount = g_CallWaitingInfoTipShowedCount + 1;
  }
}

}  // namespace

CCall* CallFSMGetCall(const CFSMEv& event) { return static_cast<CCall*>(event.GetTarget()->GetOwner()); }

void CallFSMPost(const CFSMEv& current, int32_t event, int32_t delayMs) {
  if (g_pFSM == nullptr) return;
  g_pFSM->PostEvent(std::make_unique<CFSMEv>(current.GetTarget(), event, delayMs));
}

void CallFSMDoFuncDefaultFunc(CFSMEv& event) { CALL_FSM_TRACE(event); }

void CallFSMDoFuncDoNothing(CFSMEv& event) { CALL_FSM_TRACE(event); }

void CallFSMDoFuncEnteringState(CFSMEv& event) { CALL_FSM_TRACE(event); }

void CallFSMDoFuncExitingState(CFSMEv& event) { CALL_FSM_TRACE(event); }

void CallFSMDoFuncCollectSkypeCallDetails(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  const CCall& call = *CallFSMGetCall(event);
  if (call.GetPartner() == nullptr) CallFSMAskCall(call, SkypeCallProp::PARTNER_HANDLE);
  if (call.GetType() == -1) CallFSMAskCall(call, SkypeCallProp::TYPE);
  CallFSMAskCall(call, SkypeCallProp::STATUS);
}

void CallFSMDoFuncSkypeRingingSendGetCallType(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CallFSMAskCall(*CallFSMGetCall(event), SkypeCallProp::TYPE);
}

void CallFSMDoFuncSkypeRingingCanWeStartAnswerTimerOrRejectCall(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  if (g_CallCollection.GetCallInprogress() == nullptr) {
    CallFSMPost(event, EV_START_ANSWERING_TIMER, 0);
    CallFSMDoFuncCollectSkypeCallDetails(event);
    return;
  }
  // Call waiting: another call is in progress, answered by the program or by the user.
  const CCall* recording = g_CallCollection.GetCallRecording();
  const bool programAnswering = recording != nullptr && recording->IsMessageState();
  const bool reject = programAnswering ? g_RejectCallWaitingQAVEnabled != 0 : g_RejectCallWaitingUserEnabled != 0;
  if (reject) {
    CallFSMPost(event, EV_REJECT_CALL_WAIT, 0);
  } else {
    CountUnrejectedWaitingCall();
  }
}

namespace {

void StartAnswerTimer(const CFSMEv& event, const CCall& call) {
  // In 64 bits: a delay option of millions of seconds must not wrap into a negative delay.
  const int64_t delay = std::clamp<int64_t>(int64_t{GetAnswerDelaySeconds()} * 1000 + 10,
                                            std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  if (delay < 0) {
    QAV_LOG(LOG_WARNING, u"[CallId: %d] Error for Answer Timer (%d)", call.GetCallId(), delay);
    return;
  }
  QAV_LOG(LOG_INFO, u"[CallId: %d] Setting Answer timer for %d MSec", call.GetCallId(), delay);
  CallFSMPost(event, CFSMEv::kTimeout, static_cast<int32_t>(delay));
}

}  // namespace

void CallFSMDoFuncRingingStartAnswerTimer(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  StartAnswerTimer(event, *CallFSMGetCall(event));
}

namespace {

// The common part of the timer's and the user's answer: no other call may have the line (be
// recorded, or be about to be answered), and the call's details must be complete before anything
// is decided.
bool OtherCallUsingLine(const CCall& call) {
  const CCall* other = g_CallCollection.GetCallUsingLine(&call);
  if (other == nullptr) return false;
  // Said once, not at every look of a call that waits for the line.
  if (!call.IsWaitingForLine()) {
    QAV_LOG(LOG_INFO, u"[CallId: %d] Other Call (CallId: %d) active on Skype, Can't start answering machine on this call",
            call.GetCallId(), other->GetCallId());
  }
  return true;
}

// While the user records a greeting from the microphone the call rings on: the user is at the
// desk to take it, and answering would cut the take off (the call's recording takes the sound
// card). The answer is looked at again, so the machine answers once the take has ended.
bool GreetingTakeHoldsTheAnswer(const CFSMEv& event, int32_t retryEvent) {
  if (!CallAudio().RecordingGreeting()) return false;
  QAV_LOG(LOG_INFO,
          u"[CallId: %d] A greeting is being recorded: the call rings on for the user (looked at again in %dms)",
          CallFSMGetCall(event)->GetCallId(), kGreetingTakeRetryMs);
  CallFSMPost(event, retryEvent, kGreetingTakeRetryMs);
  return true;
}

// Posts the event that sends the answer, and marks the call as having the line from now on.
void PostAnswer(const CFSMEv& event, CCall& call, int32_t answerEvent) {
  call.MarkAnswerPosted();
  CallFSMPost(event, answerEvent, 0);
}

}  // namespace

void CallFSMDoFuncCanWeAnswerMsgAndSendInprogressEv(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  if (OtherCallUsingLine(call)) {
    // The call rings on and is answered once the line is free, as one that rings while another
    // call is recorded is: turned away once, it would ring unanswered until the caller gives up.
    call.SetWaitingForLine(true);
    CallFSMPost(event, CFSMEv::kTimeout, kLineInUseRetryMs);
    return;
  }
  if (call.IsWaitingForLine()) {
    call.SetWaitingForLine(false);
    QAV_LOG(LOG_INFO, u"[CallId: %d] The line is free again, the answer timer starts over", call.GetCallId());
    StartAnswerTimer(event, call);
    return;
  }
  if (call.IsCallInfoComplete()) {
    if (call.IsAnsweringPossible() && call.AnswerAllowed() != 0 &&
        !GreetingTakeHoldsTheAnswer(event, CFSMEv::kTimeout)) {
      PostAnswer(event, call, EV_SEND_INPROGRESS_MSG);
    }
    return;
  }
  QAV_LOG(LOG_INFO,
          u"[CallId: %d] Didn't finish collecting all needed information to decide - Reschedule Timer Event (%dms)",
          call.GetCallId(), kIncompleteInfoRetryMs);
  CallFSMPost(event, CFSMEv::kTimeout, kIncompleteInfoRetryMs);
}

void CallFSMDoFuncCanWeForceAnswerMsgAndSendInprogressEv(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  if (OtherCallUsingLine(call)) return;
  if (call.IsCallInfoComplete()) {
    // The user's own command overrides the answering options, not the folder limit or the type.
    if (call.IsAnsweringPossible() && !GreetingTakeHoldsTheAnswer(event, EV_USER_FORCE_ANSWERING)) {
      PostAnswer(event, call, EV_SEND_INPROGRESS_MSG);
    }
    return;
  }
  QAV_LOG(LOG_INFO,
          u"[CallId: %d] Didn't finish collecting all needed information to decide - Reschedule Timer Event (%dms)",
          call.GetCallId(), kForceAnswerRetryMs);
  CallFSMPost(event, EV_USER_FORCE_ANSWERING, kForceAnswerRetryMs);
}

namespace {

// Sends the answer for a voice message, the call's `send`th, and gives the client kAnswerConfirmMs
// to confirm it.
void SendMessageAnswer(const CFSMEv& event, CCall& call, int32_t send) {
  CallFSMAlterCall(call, SkypeCallProp::ANSWER);
  call.SetAnswerSends(send);
  CallFSMPost(event, CFSMEv::kTimeout, kAnswerConfirmMs);
}

}  // namespace

void CallFSMDoFuncAnswerIncomingCallMessage(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  call.ClearAnswerPosted();
  SendMessageAnswer(event, call, 1);
}

void CallFSMDoFuncAnswerNotConfirmed(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  const int32_t status = call.GetStatus();
  const bool ringing = status == SkypeCallStatus::RINGING || status == SkypeCallStatus::EARLYMEDIA;
  if (ringing && call.GetAnswerSends() < kMaxAnswerSends) {
    QAV_LOG(LOG_WARNING, u"[CallId: %d] The answer is not confirmed after %d ms, answering again", call.GetCallId(),
            kAnswerConfirmMs);
    SendMessageAnswer(event, call, call.GetAnswerSends() + 1);
    return;
  }
  // The line goes to the next call; this one rings on for the user, who may still answer it.
  QAV_LOG(LOG_WARNING, u"[CallId: %d] The answer is not confirmed after %d sends, the call is left to ring",
          call.GetCallId(), call.GetAnswerSends());
  CallFSMPost(event, EV_ANSWER_NOT_ALLOWED, 0);
}

void CallFSMDoFuncSendFinish(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CallFSMAlterCall(*CallFSMGetCall(event), SkypeCallProp::HANGUP);
}

void CallFSMDoFuncCanWeAnswerConvAndSendInprogressEv(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  if (g_CallCollection.GetCallUsingLine(&call) == nullptr) PostAnswer(event, call, EV_SEND_INPROGRESS_CONV);
}

void CallFSMDoFuncAnswerIncomingCallConv(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  CCall& call = *CallFSMGetCall(event);
  call.ClearAnswerPosted();
  CallFSMAlterCall(call, SkypeCallProp::ANSWER);
}

void CallFSMDoFuncSkypeInprogressCanWeAutoConvRec(CFSMEv& event) {
  CALL_FSM_TRACE(event);
  // A call that joins while another one's conversation is recorded joins that recording (a
  // conference); otherwise automatic recording decides.
  const CCall* recording = g_CallCollection.GetCallRecording();
  const bool record = recording != nullptr ? recording->GetConversation() != nullptr : g_ConversationAutoRecordMode != 0;
  if (record) CallFSMPost(event, EV_START_REC_CONV, 0);
}
