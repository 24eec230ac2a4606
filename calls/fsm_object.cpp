#include "calls/fsm_object.h"

#include "calls/fsm.h"

CFSMObject::CFSMObject() : m_life(std::make_shared<int>(0)) {}

CFSMObject::~CFSMObject() {
  // Nothing may reach this instance once it is gone: the held events go now, and the queued ones
  // see the life token expire.
  if (g_pFSM != nullptr) g_pFSM->PurgeObjEvents(this);
}

void CFSMObject::Init(void* owner, std::u16string_view name, int32_t initialState, const FSMTable* table) {
  m_pOwner = owner;
  m_strName = name;
  m_nState = initialState;
  m_pTable = table;
}
