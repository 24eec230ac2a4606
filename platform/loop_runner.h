// Who serves the GUI thread's loop while the program runs.
//
// Without a user interface the loop serves itself (MessageLoop::Run). Under a toolkit the toolkit's
// own event loop runs instead and drives the same MessageLoop from outside: it watches PollFd(),
// arms a timer for NextTimerDelayMs(), calls ProcessDue() when either fires and stops once
// QuitRequested() (see platform/message_loop.h, also for modal loops inside a round).
#pragma once

#include "platform/message_loop.h"

namespace qav {

class LoopRunner {
 public:
  virtual ~LoopRunner() = default;
  // Called on the loop's own thread. Serves `loop` until a round dispatches WM_QUIT and returns
  // its exit code (loop.ExitCode()).
  virtual int RunUntilQuit(MessageLoop& loop) = 0;
};

}  // namespace qav
