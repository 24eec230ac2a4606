#include "calls/call_fsm_table.h"

#include <iterator>
#include <memory>
#include <mutex>

#include "calls/call_fsm_functions.h"
#include "calls/call_fsm_states.h"
#include "calls/fsm.h"

namespace {

constexpr int32_t T = kFsmTimeoutColumn;
constexpr int32_t ENTRY = kFsmEntryColumn;
constexpr int32_t SAME = kFsmSameState;

#define ROW(state, event, next, function) {state, event, next, &CallFSMDoFunc##function}

// Every cell not listed keeps its state and runs CallFSMDoFuncDefaultFunc, which only logs.
//
// A call that ends with a failure status (FAILED, MISSED, REFUSED, BUSY, CANCELLED: the
// TERMINATED event) ends like a FINISHED one in every state that can hold a recording, so the
// audio job stops, the file is finished and the machine answers the next call.
//
// An answer for a voice message that the client does not confirm (no INPROGRESS) within a bound is
// sent once more, and then the call is left to ring (ST_CALL_RINGING), so that a lost answer does
// not keep the line in use for good.
const FSMTransition kCallTransitions[] = {
    // ST_NEW_CALL
    ROW(ST_NEW_CALL, EV_SKYPE_RINGING, SAME, SkypeRingingSendGetCallType),
    ROW(ST_NEW_CALL, EV_CALL_TYPE_IN, ST_NEW_IN_CALL, SkypeRingingCanWeStartAnswerTimerOrRejectCall),
    ROW(ST_NEW_CALL, EV_CALL_TYPE_OUT, ST_NEW_OUT_CALL, CollectSkypeCallDetails),
    ROW(ST_NEW_CALL, EV_SKYPE_ROUTING, ST_NEW_OUT_CALL, CollectSkypeCallDetails),
    ROW(ST_NEW_CALL, EV_USER_CONV_REC_START, SAME, CanWeAnswerConvAndSendInprogressEv),
    ROW(ST_NEW_CALL, EV_SEND_INPROGRESS_CONV, ST_CONV_WAIT_INPROGRESS_REPLY, AnswerIncomingCallConv),
    ROW(ST_NEW_CALL, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, SkypeInprogressCanWeAutoConvRec),
    ROW(ST_NEW_CALL, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    ROW(ST_NEW_CALL, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // ST_NEW_IN_CALL
    ROW(ST_NEW_IN_CALL, EV_SKYPE_RINGING, SAME, SkypeRingingCanWeStartAnswerTimerOrRejectCall),
    ROW(ST_NEW_IN_CALL, EV_START_ANSWERING_TIMER, ST_WAIT_ANSWERING_TIMER_EXPIRE, RingingStartAnswerTimer),
    ROW(ST_NEW_IN_CALL, EV_REJECT_CALL_WAIT, ST_REJECT_CALL_WAITING, RingingRejectCall),
    ROW(ST_NEW_IN_CALL, EV_USER_CONV_REC_START, SAME, CanWeAnswerConvAndSendInprogressEv),
    ROW(ST_NEW_IN_CALL, EV_SEND_INPROGRESS_CONV, ST_CONV_WAIT_INPROGRESS_REPLY, AnswerIncomingCallConv),
    ROW(ST_NEW_IN_CALL, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, SkypeInprogressCanWeAutoConvRec),
    ROW(ST_NEW_IN_CALL, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    ROW(ST_NEW_IN_CALL, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // ST_NEW_OUT_CALL
    ROW(ST_NEW_OUT_CALL, EV_USER_CONV_REC_START, SAME, CanWeAnswerConvAndSendInprogressEv),
    ROW(ST_NEW_OUT_CALL, EV_SEND_INPROGRESS_CONV, ST_CONV_WAIT_INPROGRESS_REPLY, AnswerIncomingCallConv),
    ROW(ST_NEW_OUT_CALL, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, SkypeInprogressCanWeAutoConvRec),
    ROW(ST_NEW_OUT_CALL, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    ROW(ST_NEW_OUT_CALL, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // ST_WAIT_ANSWERING_TIMER_EXPIRE
    ROW(ST_WAIT_ANSWERING_TIMER_EXPIRE, T, SAME, CanWeAnswerMsgAndSendInprogressEv),
    ROW(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_USER_FORCE_ANSWERING, SAME, CanWeForceAnswerMsgAndSendInprogressEv),
    ROW(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_SEND_INPROGRESS_MSG, ST_MESSAGE_WAIT_INPROGRESS_REPLY,
        AnswerIncomingCallMessage),
    ROW(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_ANSWER_NOT_ALLOWED, ST_CALL_RINGING, CleanUp),
    ROW(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_USER_CONV_REC_START, SAME, CanWeAnswerConvAndSendInprogressEv),
    ROW(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_SEND_INPROGRESS_CONV, ST_CONV_WAIT_INPROGRESS_REPLY,
        AnswerIncomingCallConv),
    ROW(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, SkypeInprogressCanWeAutoConvRec),
    ROW(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    ROW(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // ST_MESSAGE_WAIT_INPROGRESS_REPLY
    ROW(ST_MESSAGE_WAIT_INPROGRESS_REPLY, EV_SKYPE_INPROGRESS, ST_MESSAGE_RECORDING, SkypeInprogressStartRecMessage),
    ROW(ST_MESSAGE_WAIT_INPROGRESS_REPLY, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUpMessage),
    ROW(ST_MESSAGE_WAIT_INPROGRESS_REPLY, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUpMessage),
    ROW(ST_MESSAGE_WAIT_INPROGRESS_REPLY, T, SAME, AnswerNotConfirmed),
    ROW(ST_MESSAGE_WAIT_INPROGRESS_REPLY, EV_ANSWER_NOT_ALLOWED, ST_CALL_RINGING, DoNothing),
    // ST_MESSAGE_RECORDING
    ROW(ST_MESSAGE_RECORDING, T, ST_CALL_DONE, StopRecMessageAndSendFinish),
    ROW(ST_MESSAGE_RECORDING, EV_USER_TAKE_CONTROL, ST_CALL_INPROGRESS, StopRecMessageUserTakeControl),
    ROW(ST_MESSAGE_RECORDING, EV_SKYPE_FINISHED, ST_CALL_DONE, StopRecMessage),
    ROW(ST_MESSAGE_RECORDING, EV_SKYPE_HOLD, ST_CALL_DONE, StopRecMessage),
    ROW(ST_MESSAGE_RECORDING, EV_SKYPE_TERMINATED, ST_CALL_DONE, StopRecMessage),
    ROW(ST_MESSAGE_RECORDING, EV_FAILURE, ST_CALL_INPROGRESS, SendFinish),
    // ST_CONV_WAIT_INPROGRESS_REPLY
    ROW(ST_CONV_WAIT_INPROGRESS_REPLY, EV_SEND_INPROGRESS_CONV, SAME, AnswerIncomingCallConv),
    ROW(ST_CONV_WAIT_INPROGRESS_REPLY, EV_SKYPE_INPROGRESS, ST_CONV_RECORDING, StartConvRec),
    ROW(ST_CONV_WAIT_INPROGRESS_REPLY, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    ROW(ST_CONV_WAIT_INPROGRESS_REPLY, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // ST_CONV_RECORDING
    ROW(ST_CONV_RECORDING, EV_USER_CONV_REC_STOP, ST_CALL_INPROGRESS, StopConvRecWithNotify),
    ROW(ST_CONV_RECORDING, EV_CONV_REC_INSERT_BEEP, SAME, InsertBeepToConvRec),
    ROW(ST_CONV_RECORDING, EV_CONV_REC_START_NOTIFY_IM, SAME, SendMessageStartConvRec),
    ROW(ST_CONV_RECORDING, EV_SKYPE_HOLD, ST_CONV_RECORDING_ONHOLD, StopConvRec),
    ROW(ST_CONV_RECORDING, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    ROW(ST_CONV_RECORDING, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    ROW(ST_CONV_RECORDING, EV_FAILURE, ST_CALL_INPROGRESS, SendFinish),
    // ST_CONV_RECORDING_ONHOLD
    ROW(ST_CONV_RECORDING_ONHOLD, EV_SKYPE_INPROGRESS, SAME, SkypeInprogressResumeRecordOrJoinConf),
    ROW(ST_CONV_RECORDING_ONHOLD, EV_AUDIO_SET, ST_CONV_RECORDING, StartConvRec),
    ROW(ST_CONV_RECORDING_ONHOLD, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    ROW(ST_CONV_RECORDING_ONHOLD, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // ST_REJECT_CALL_WAITING
    ROW(ST_REJECT_CALL_WAITING, T, SAME, CheckSendMessageForRejectedCallWaiting),
    ROW(ST_REJECT_CALL_WAITING, EV_REJECT_CALL_WAIT_DONE, ST_CALL_DONE, CleanUp),
    // ST_CALL_RINGING
    ROW(ST_CALL_RINGING, EV_USER_FORCE_ANSWERING, SAME, CanWeForceAnswerMsgAndSendInprogressEv),
    ROW(ST_CALL_RINGING, EV_SEND_INPROGRESS_MSG, ST_MESSAGE_WAIT_INPROGRESS_REPLY, AnswerIncomingCallMessage),
    ROW(ST_CALL_RINGING, EV_USER_CONV_REC_START, SAME, CanWeAnswerConvAndSendInprogressEv),
    ROW(ST_CALL_RINGING, EV_SEND_INPROGRESS_CONV, ST_CONV_WAIT_INPROGRESS_REPLY, AnswerIncomingCallConv),
    ROW(ST_CALL_RINGING, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, DoNothing),
    ROW(ST_CALL_RINGING, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    ROW(ST_CALL_RINGING, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // ST_CALL_INPROGRESS
    ROW(ST_CALL_INPROGRESS, EV_USER_CONV_REC_START, ST_CONV_RECORDING, StartConvRec),
    ROW(ST_CALL_INPROGRESS, EV_START_REC_CONV, ST_CONV_RECORDING, StartConvRec),
    ROW(ST_CALL_INPROGRESS, EV_SKYPE_HOLD, ST_CALL_ONHOLD, DoNothing),
    ROW(ST_CALL_INPROGRESS, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    ROW(ST_CALL_INPROGRESS, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // ST_CALL_ONHOLD
    ROW(ST_CALL_ONHOLD, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, SkypeInprogressCanWeAutoConvRec),
    ROW(ST_CALL_ONHOLD, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    ROW(ST_CALL_ONHOLD, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // ST_CALL_DONE
    ROW(ST_CALL_DONE, ENTRY, SAME, CallDoneNotifyEvents),
    ROW(ST_CALL_DONE, EV_SKYPE_FINISHED, SAME, CleanUp),
    ROW(ST_CALL_DONE, EV_SKYPE_TERMINATED, SAME, CleanUp),
    kFsmEndRow,
};

#undef ROW

}  // namespace

std::span<const FSMTransition> GetCallFSMTransitions() { return kCallTransitions; }

namespace {

// Never destroyed itself: the global call collection frees the table from its destructor, which
// may run after this file's other statics are gone.
struct CallFSMTableHolder {
  std::mutex mutex;
  std::unique_ptr<FSMTable> table;
};
CallFSMTableHolder& Holder() {
  static auto* holder = new CallFSMTableHolder();
  return *holder;
}

}  // namespace

const FSMTable& GetCallFSMTable() {
  CallFSMTableHolder& holder = Holder();
  std::lock_guard lock(holder.mutex);
  if (!holder.table) {
    // The rows are fixed and valid, so the build cannot refuse them; a table that could not be
    // allocated stays unbuilt and the engine drops the events of its instances.
    holder.table = std::make_unique<FSMTable>();
    CFSM::BuildFullTable(CALL_FSM_STATE_COUNT, CALL_FSM_EVENT_COUNT, kCallFsmStateNames, kCallFsmEventNames,
                         &CallFSMDoFuncDefaultFunc, kCallTransitions, holder.table.get());
  }
  return *holder.table;
}

void DeleteCallFSMTable() {
  CallFSMTableHolder& holder = Holder();
  std::lock_guard lock(holder.mutex);
  holder.table.reset();
}
