// A thread with its own message loop (the sender, dispatcher, audio, mail and worker threads).
//
// Start runs `setup` on the new thread with its loop (create windows, install the thread-message
// handler) and returns only after it has run, so messages posted right after Start are never lost.
// The loop then runs until WM_QUIT. When the thread ends, its loop goes with it: its windows are
// destroyed, queued payloads freed, and senders still waiting on it fail.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/event.h"
#include "platform/message.h"
#include "platform/message_loop.h"

namespace qav {

class MessageThread {
 public:
  MessageThread() = default;
  // Asks a running thread to quit and waits for it: nothing of the thread outlives this object.
  ~MessageThread();
  MessageThread(const MessageThread&) = delete;
  MessageThread& operator=(const MessageThread&) = delete;

  // False when already started. `name` is the thread's name in debuggers (15 bytes kept).
  bool Start(std::string name, std::function<void(MessageLoop&)> setup = {}, Clock& clock = SystemClock());

  ThreadId threadId() const { return threadId_; }  // 0 before Start
  bool PostThreadMessage(uint32_t message, WParam wParam = 0, LParam lParam = 0,
                         std::unique_ptr<Payload> payload = nullptr);
  // Posts WM_QUIT behind what is queued.
  void Quit(int exitCode = 0);
  // True when the thread has ended within timeoutMs (it is then joined); false while it runs.
  bool Join(int timeoutMs);
  // Run's exit code once the thread has ended; -1 when the thread ended by an exception.
  int ExitCode() const { return exitCode_; }

 private:
  std::thread thread_;
  ThreadId threadId_ = 0;
  int exitCode_ = 0;
  std::shared_ptr<Event> ended_;
};

}  // namespace qav
