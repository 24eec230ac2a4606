// The call state machine's states and events, and the names the engine's log lines show.
//
// Every call runs one instance of this machine (calls/call_fsm_table.cpp holds its rows). Events
// 0, 1 and 14-23 come from the call's setters and user operations, sent synchronously; the others
// are posted by the machine's own functions on the GUI thread.
#pragma once

#include <cstdint>

enum CallFsmState : int32_t {
  ST_NEW_CALL = 0,                       // just created, type not known
  ST_NEW_IN_CALL = 1,                    // incoming call, ringing
  ST_NEW_OUT_CALL = 2,                   // outgoing call (or routing)
  ST_WAIT_ANSWERING_TIMER_EXPIRE = 3,    // answer timer running
  ST_MESSAGE_WAIT_INPROGRESS_REPLY = 4,  // answered for a voice message, waiting for INPROGRESS
  ST_MESSAGE_RECORDING = 5,              // greeting and voice message in progress
  ST_CONV_WAIT_INPROGRESS_REPLY = 6,     // answered (or about to be) for conversation recording
  ST_CONV_RECORDING = 7,                 // conversation being recorded
  ST_CONV_RECORDING_ONHOLD = 8,          // recorded conversation on hold
  // 9 is not used by any row and has no name.
  ST_REJECT_CALL_WAITING = 10,           // waiting call hung up, chat text pending
  ST_CALL_RINGING = 11,                  // ringing, answering refused
  ST_CALL_INPROGRESS = 12,               // in progress, nothing recorded
  ST_CALL_ONHOLD = 13,                   // on hold, nothing recorded
  ST_CALL_DONE = 14,                     // finished or terminated
  CALL_FSM_STATE_COUNT = 15,
};

enum CallFsmEvent : int32_t {
  EV_CALL_TYPE_IN = 0,
  EV_CALL_TYPE_OUT = 1,
  EV_START_ANSWERING_TIMER = 2,
  EV_REJECT_CALL_WAIT = 3,
  EV_REJECT_CALL_WAIT_DONE = 4,
  EV_SEND_INPROGRESS_MSG = 5,
  EV_SEND_INPROGRESS_CONV = 6,
  EV_START_REC_CONV = 7,
  EV_ANSWER_NOT_ALLOWED = 8,
  EV_CONV_REC_INSERT_BEEP = 9,
  EV_CONV_REC_START_NOTIFY_IM = 10,
  EV_AUDIO_SET = 11,
  EV_AUDIO_SET_DONE = 12,
  EV_FAILURE = 13,
  EV_USER_FORCE_ANSWERING = 14,
  EV_USER_TAKE_CONTROL = 15,
  EV_USER_CONV_REC_START = 16,
  EV_USER_CONV_REC_STOP = 17,
  EV_SKYPE_ROUTING = 18,
  EV_SKYPE_RINGING = 19,
  EV_SKYPE_INPROGRESS = 20,
  EV_SKYPE_HOLD = 21,
  EV_SKYPE_FINISHED = 22,
  EV_SKYPE_TERMINATED = 23,
  CALL_FSM_EVENT_COUNT = 24,
  // The timeout column; machine functions post it as CFSMEv::kTimeout.
  FSM_EV_TIMEOUT = 24,
};

// CALL_FSM_STATE_COUNT names (state 9's is empty) and CALL_FSM_EVENT_COUNT + 1 names (the last
// one the timeout's).
extern const char16_t* const kCallFsmStateNames[CALL_FSM_STATE_COUNT];
extern const char16_t* const kCallFsmEventNames[CALL_FSM_EVENT_COUNT + 1];

// The name of a state number; "" for 9 and for numbers outside the machine.
const char16_t* GetCallStateName(int32_t state);
