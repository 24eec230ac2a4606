// The requests to end a program that arrive as signals (SIGTERM at log-out or from a service
// manager, SIGINT from a terminal, SIGHUP when the terminal goes), delivered as events of the GUI
// thread's message loop, so the program ends through its orderly exit instead of being cut off.
//
// BlockStopSignals must run in main() before any thread starts: every thread inherits the mask,
// so no thread is ever interrupted by these signals, and the loop reads them from a signalfd.
// Programs the program starts get an empty mask (platform/process.h).
#pragma once

#include <functional>

#include "platform/message_loop.h"

namespace qav {

void BlockStopSignals();

class StopSignals {
 public:
  StopSignals() = default;
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Calls `onStop` with the signal's number on the loop's thread for each one that arrives. False
  // when the signals cannot be read.
  bool Start(MessageLoop& loop, std::function<void(int signal)> onStop);
  void Stop();

 private:
  MessageLoop* loop_ = nullptr;
  WatchId watch_ = 0;
  int fd_ = -1;
};

}  // namespace qav
