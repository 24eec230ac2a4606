// The transition functions of the call state machine.
//
// Each runs on the GUI thread with the event being dispatched; the call is the owner of the
// event's target instance. Each first writes the FINE trace line "<machine name> - <function
// name>". "Queue" below means a command to the client through QueueSkypeCmd, which waits for no
// reply; the machine follows the client's status notifications only.
#pragma once

#include <cstdint>

class CCall;
class CFSMEv;

// The call an event of the call machine is for (never null for the machine's own events).
CCall* CallFSMGetCall(const CFSMEv& event);
// Posts `event` for the same call after `delayMs` (CFSMEv::kTimeout for the state's time-out).
void CallFSMPost(const CFSMEv& current, int32_t event, int32_t delayMs);

// ---- Answering (calls/call_fsm_answering.cpp) ----
void CallFSMDoFuncDefaultFunc(CFSMEv& event);
void CallFSMDoFuncDoNothing(CFSMEv& event);
void CallFSMDoFuncEnteringState(CFSMEv& event);
void CallFSMDoFuncExitingState(CFSMEv& event);
void CallFSMDoFuncCollectSkypeCallDetails(CFSMEv& event);
void CallFSMDoFuncSkypeRingingSendGetCallType(CFSMEv& event);
void CallFSMDoFuncSkypeRingingCanWeStartAnswerTimerOrRejectCall(CFSMEv& event);
void CallFSMDoFuncRingingStartAnswerTimer(CFSMEv& event);
void CallFSMDoFuncCanWeAnswerMsgAndSendInprogressEv(CFSMEv& event);
void CallFSMDoFuncCanWeForceAnswerMsgAndSendInprogressEv(CFSMEv& event);
void CallFSMDoFuncAnswerIncomingCallMessage(CFSMEv& event);
void CallFSMDoFuncAnswerNotConfirmed(CFSMEv& event);
void CallFSMDoFuncSendFinish(CFSMEv& event);
void CallFSMDoFuncCanWeAnswerConvAndSendInprogressEv(CFSMEv& event);
void CallFSMDoFuncAnswerIncomingCallConv(CFSMEv& event);
void CallFSMDoFuncSkypeInprogressCanWeAutoConvRec(CFSMEv& event);

// ---- Voice messages, conversations and call waiting (calls/call_fsm_recording.cpp) ----
void CallFSMDoFuncSkypeInprogressStartRecMessage(CFSMEv& event);
void CallFSMDoFuncStopRecMessage(CFSMEv& event);
void CallFSMDoFuncStopRecMessageAndSendFinish(CFSMEv& event);
void CallFSMDoFuncStopRecMessageUserTakeControl(CFSMEv& event);
void CallFSMDoFuncCleanUpMessage(CFSMEv& event);
void CallFSMDoFuncCallDoneNotifyEvents(CFSMEv& event);
void CallFSMDoFuncStartConvRec(CFSMEv& event);
void CallFSMDoFuncResumeConvRec(CFSMEv& event);
void CallFSMDoFuncInsertBeepToConvRec(CFSMEv& event);
void CallFSMDoFuncSendMessageStartConvRec(CFSMEv& event);
void CallFSMDoFuncStopConvRecWithNotify(CFSMEv& event);
void CallFSMDoFuncStopConvRec(CFSMEv& event);
void CallFSMDoFuncSkypeInprogressResumeRecordOrJoinConf(CFSMEv& event);
void CallFSMDoFuncConvDone(CFSMEv& event);
void CallFSMDoFuncCleanUp(CFSMEv& event);
void CallFSMDoFuncRingingRejectCall(CFSMEv& event);
void CallFSMDoFuncCheckSendMessageForRejectedCallWaiting(CFSMEv& event);
