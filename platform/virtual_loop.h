// A message loop on a virtual clock, driven step by step by a test (or a simulation) on its own
// thread, so timers fire at exactly their deadlines and nothing sleeps.
//
//   VirtualLoop v;                       // its loop is this thread's current loop
//   Hwnd w = CreateWindow(v.loop(), ...);
//   SetTimer(w, 101, 3000);
//   v.AdvanceMs(2999);                   // nothing yet
//   v.AdvanceMs(1);                      // WM_TIMER 101 runs, with v.NowMs() at its deadline
//
// Messages, sends from other threads and ready descriptors are served as in any loop; only time is
// virtual. Messages that other threads post arrive in real time: WaitForWork waits for them.
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/message_loop.h"

namespace qav {

class VirtualLoop {
 public:
  explicit VirtualLoop(int64_t startMonotonicMs = 1'000'000);

  VirtualClock& clock() { return clock_; }
  MessageLoop& loop() { return loop_; }
  int64_t NowMs() { return clock_.MonotonicMs(); }

  // Serves everything that is ready at the current time, including what that work posts or arms
  // for now. False when the work did not settle within a large number of rounds (a message that
  // keeps posting itself).
  bool RunUntilIdle();
  // Moves time forward by `ms`, stopping at each timer deadline on the way to serve it (and what it
  // causes) at exactly that time.
  void AdvanceMs(int64_t ms);
  // Moves time to the earliest timer deadline and serves it; false without timers.
  bool AdvanceToNextTimer();
  // Real-time wait for work from other threads or descriptors, then RunUntilIdle.
  bool WaitForWork(int timeoutMs);

 private:
  VirtualClock clock_;
  MessageLoop loop_;
};

}  // namespace qav
