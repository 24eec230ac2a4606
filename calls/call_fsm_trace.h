// The trace line every call-machine function writes first: FINE "<machine name> - <function>".
#pragma once

#include "calls/fsm_event.h"
#include "calls/fsm_object.h"
#include "foundation/logger.h"

#define CALL_FSM_TRACE(event) QAV_LOG(LOG_FINE, u"%s - %s", (event).GetTarget()->GetName(), __func__)
