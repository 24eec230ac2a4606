#include "calls/fsm_event.h"

#include "calls/fsm_object.h"

CFSMEv::CFSMEv(CFSMObject* target, int32_t event, int32_t delayMs)
    : m_pTarget(target), m_nEvent(event), m_nDelayMs(delayMs) {
  if (target != nullptr) m_targetLife = target->LifeToken();
}
