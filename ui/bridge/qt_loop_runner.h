// QtLoopRunner: the application's loop runner under the user interface: Qt's event loop serves the
// GUI thread's platform loop (ui/bridge/qt_loop_bridge.h) from start-up to exit.
#pragma once

#include "platform/loop_runner.h"

class QtLoopRunner : public qav::LoopRunner {
 public:
  int RunUntilQuit(qav::MessageLoop& loop) override;
};
