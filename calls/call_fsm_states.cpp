#include "calls/call_fsm_states.h"

const char16_t* const kCallFsmStateNames[CALL_FSM_STATE_COUNT] = {
    u"ST_NEW_CALL",
    u"ST_NEW_IN_CALL",
    u"ST_NEW_OUT_CALL",
    u"ST_WAIT_ANSWERING_TIMER_EXPIRE",
    u"ST_MESSAGE_WAIT_INPROGRESS_REPLY",
    u"ST_MESSAGE_RECORDING",
    u"ST_CONV_WAIT_INPROGRESS_REPLY",
    u"ST_CONV_RECORDING",
    u"ST_CONV_RECORDING_ONHOLD",
    u"",
    u"ST_REJECT_CALL_WAITING",
    u"ST_CALL_RINGING",
    u"ST_CALL_INPROGRESS",
    u"ST_CALL_ONHOLD",
    u"ST_CALL_DONE",
};

const char16_t* const kCallFsmEventNames[CALL_FSM_EVENT_COUNT + 1] = {
    u"EV_CALL_TYPE_IN",
    u"EV_CALL_TYPE_OUT",
    u"EV_START_ANSWERING_TIMER",
    u"EV_REJECT_CALL_WAIT",
    u"EV_REJECT_CALL_WAIT_DONE",
    u"EV_SEND_INPROGRESS_MSG",
    u"EV_SEND_INPROGRESS_CONV",
    u"EV_START_REC_CONV",
    u"EV_ANSWER_NOT_ALLOWED",
    u"EV_CONV_REC_INSERT_BEEP",
    u"EV_CONV_REC_START_NOTIFY_IM",
    u"EV_AUDIO_SET",
    u"EV_AUDIO_SET_DONE",
    u"EV_FAILURE",
    u"EV_USER_FORCE_ANSWERING",
    u"EV_USER_TAKE_CONTROL",
    u"EV_USER_CONV_REC_START",
    u"EV_USER_CONV_REC_STOP",
    u"EV_SKYPE_ROUTING",
    u"EV_SKYPE_RINGING",
    u"EV_SKYPE_INPROGRESS",
    u"EV_SKYPE_HOLD",
    u"EV_SKYPE_FINISHED",
    u"EV_SKYPE_TERMINATED",
    u"FSM_EV_TIMEOUT",
};

const char16_t* GetCallStateName(int32_t state) {
  if (state < 0 || state >= CALL_FSM_STATE_COUNT) return u"";
  return kCallFsmStateNames[state];
}
