// The call machine's steps that record voice messages and conversations, clean them up when a
// call ends, and reject waiting calls with a chat text.
//
// They work on the voice-message and conversation collections and the audio requests, which the
// recording layer provides. Until it is in place each step writes its trace line and does nothing
// else: a call still moves through the whole table (answered, in progress, done), and nothing is
// recorded, attached to it or held back from deletion.
#include "calls/call_fsm_functions.h"
#include "calls/call_fsm_trace.h"

void CallFSMDoFuncSkypeInprogressStartRecMessage(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncStopRecMessage(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncStopRecMessageAndSendFinish(CFSMEv& event) {
  CallFSMDoFuncStopRecMessage(event);
  CallFSMDoFuncSendFinish(event);
}
void CallFSMDoFuncStopRecMessageUserTakeControl(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncCleanUpMessage(CFSMEv& event) { CallFSMDoFuncCleanUp(event); }
void CallFSMDoFuncCallDoneNotifyEvents(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncStartConvRec(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncResumeConvRec(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncInsertBeepToConvRec(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncSendMessageStartConvRec(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncStopConvRecWithNotify(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncStopConvRec(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncSkypeInprogressResumeRecordOrJoinConf(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncConvDone(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncCleanUp(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncRingingRejectCall(CFSMEv& event) { CALL_FSM_TRACE(event); }
void CallFSMDoFuncCheckSendMessageForRejectedCallWaiting(CFSMEv& event) { CALL_FSM_TRACE(event); }
