// The state-machine engine (calls/fsm.h) as the application object creates it with the main
// window and deletes it in the exit path.
#pragma once

#include <memory>

#include "app/parts/engine.h"
#include "calls/fsm.h"

class CEnginePart : public CAppEngine {
 public:
  explicit CEnginePart(qav::MessageLoop& guiLoop) : m_guiLoop(guiLoop) {}
  ~CEnginePart() override { Delete(); }
  bool Create(qav::Hwnd mainWindow) override;
  void Delete() override;

 private:
  qav::MessageLoop& m_guiLoop;
  std::unique_ptr<CFSM> m_engine;
};
