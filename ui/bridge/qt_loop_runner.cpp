#include "ui/bridge/qt_loop_runner.h"

#include "ui/bridge/qt_loop_bridge.h"

int QtLoopRunner::RunUntilQuit(qav::MessageLoop& loop) {
  QtLoopBridge bridge(loop);
  return bridge.Run();
}
