// The engine part: the state-machine engine and its hidden window on the GUI thread's loop;
// CNullEngine stands in where a test or a build has none. GUI thread only.
#pragma once

#include "platform/message.h"

class CAppEngine {
 public:
  virtual ~CAppEngine() = default;
  virtual bool Create(qav::Hwnd mainWindow) = 0;
  virtual void Delete() = 0;
};

class CNullEngine : public CAppEngine {
 public:
  bool Create(qav::Hwnd) override { return true; }
  void Delete() override {}
};
