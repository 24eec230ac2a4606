#include "app/engine_part.h"

bool CEnginePart::Create(qav::Hwnd) {
  m_engine = std::make_unique<CFSM>(m_guiLoop);
  g_pFSM = m_engine.get();
  return m_engine->IsReady();
}

void CEnginePart::Delete() {
  if (g_pFSM == m_engine.get()) g_pFSM = nullptr;
  m_engine.reset();
}
