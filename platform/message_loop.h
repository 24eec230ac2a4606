// A thread's message queue and the loop that serves it.
//
// Threading rule: a MessageLoop belongs to the thread that constructs it. Only that thread runs it
// (Run, ProcessDue, WaitForWork), installs its thread-message handler, watches file descriptors on
// it, creates windows on it and destroys it; any thread may post to it, send to its windows, arm timers on its windows and take
// messages out of its queue. Windows and timers are in platform/window.h.
//
// What one round of the loop serves, in this order:
//   1. sends made to its windows from other threads and processes (the senders are waiting);
//   2. file descriptors that are ready (callbacks from WatchFd, the desktop bus's sockets);
//   3. the posted messages that were queued when the round began, in FIFO order (sends that
//      arrive meanwhile are served between them); WM_QUIT ends the round;
//   4. the timers that are due, earliest deadline first.
// A thread that waits in a send to another thread or process serves only step 1 (and the bus
// sockets of its own top-level windows) while it waits, so two loops that send to each other never
// deadlock, and posted messages and timers keep their order.
//
// Re-entry (a modal box or menu opened inside a window procedure, fd callback or timer handler
// serves the same loop until it closes, by calling ProcessDue or through an outside driver):
//   - A nested round is a whole round: sends, ready descriptors, the posted messages queued when it
//     began (also those the enclosing round had not reached yet) and the due timers, the timer
//     whose handler opened it included.
//   - Nothing is served twice. When the nested loop returns, the enclosing round goes on with what
//     is left of the messages queued before it began; a timer a nested round fired is not due any
//     more; a descriptor is asked again before its callback is called, since a nested round may
//     have drained it.
//   - WM_QUIT ends the round that dispatches it and, as each handler returns, every enclosing
//     round: they serve nothing more. QuitRequested() is true from then on, so a nested loop ends
//     when it sees it (a modal box as if cancelled) and Run returns the exit code. What was queued
//     behind WM_QUIT stays queued.
//   - Run is the outermost loop only (it clears the quit request when it starts).
//
// Driving the loop from outside (the GUI thread under Qt): watch PollFd() for readability and arm a
// single-shot timer for NextTimerDelayMs(); when either fires, call ProcessDue(), then re-arm. Run()
// does the same by itself with epoll. Time comes from the clock given at construction, so a loop on
// a VirtualClock is driven by a test (platform/virtual_loop.h) and its timers fire exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "platform/message.h"

namespace qav {

namespace detail {
class LoopCore;
}

// Events of a watched file descriptor (bit masks; the callback receives what happened).
inline constexpr uint32_t kFdReadable = 1;
inline constexpr uint32_t kFdWritable = 2;
inline constexpr uint32_t kFdHangup = 4;  // peer closed or error; reported whatever was asked
using FdCallback = std::function<void(int fd, uint32_t events)>;
using WatchId = uint64_t;

// Matches any window and thread messages in TakeMessages and RemoveMessages.
inline constexpr Hwnd kAnyWindow = ~Hwnd{0};

class MessageLoop {
 public:
  explicit MessageLoop(Clock& clock = SystemClock());
  // Destroys the loop's windows, frees every queued payload and fails the sends still waiting.
  ~MessageLoop();
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  // The loop most recently constructed on this thread and still alive, or null.
  static MessageLoop* Current();

  ThreadId threadId() const;
  Clock& clock() const;

  // Thread messages (window 0) go to this handler; without one they are dropped.
  void SetThreadMessageHandler(ThreadMessageHandler handler);

  // Runs until WM_QUIT; returns its exit code.
  int Run();
  // Serves one round (see above) without blocking; true when anything was done. May be called from
  // inside a round (see re-entry above).
  bool ProcessDue();
  // Blocks up to timeoutMs (kInfinite: no limit) until something is ready to serve; true if so.
  // Timers are not watched here: use NextTimerDelayMs.
  bool WaitForWork(int timeoutMs);
  // Readable whenever the loop has something to serve (messages, sends, ready descriptors).
  int PollFd() const;
  // Milliseconds until the earliest timer is due (0 when overdue), nullopt without timers.
  std::optional<int64_t> NextTimerDelayMs() const;
  // Set when a round dispatched WM_QUIT; Run clears it when it starts.
  bool QuitRequested() const;
  int ExitCode() const;

  // Posts WM_QUIT (wParam = exit code) behind what is already queued. Any thread.
  void PostQuit(int exitCode);

  // Takes queued messages with first <= message <= last out of the queue, in order, for the given
  // window (kAnyWindow: every window and thread message; 0: thread messages only). Dropping the
  // result frees their payloads; RemoveMessages does just that and returns how many it removed.
  std::vector<Msg> TakeMessages(uint32_t first, uint32_t last, Hwnd window = kAnyWindow);
  size_t RemoveMessages(uint32_t first, uint32_t last, Hwnd window = kAnyWindow);

  // Calls `callback` on this loop's thread whenever `fd` has one of `events`. The loop does not own
  // the descriptor: unwatch it before closing it. Returns 0 when the descriptor cannot be watched
  // (already watched, invalid, or not called on the loop's thread).
  WatchId WatchFd(int fd, uint32_t events, FdCallback callback);
  bool UpdateFdEvents(WatchId id, uint32_t events);
  bool UnwatchFd(WatchId id);

  // For the platform's own window and bus code.
  detail::LoopCore& core() const { return *core_; }

 private:
  std::shared_ptr<detail::LoopCore> core_;
};

// Posts a message to a thread's queue (the thread's handler receives it with window 0). Fails, and
// frees the payload, when no loop has that id. Any thread.
bool PostThreadMessage(ThreadId thread, uint32_t message, WParam wParam = 0, LParam lParam = 0,
                       std::unique_ptr<Payload> payload = nullptr);

// PostQuit on the calling thread's current loop.
void PostQuitMessage(int exitCode);

}  // namespace qav
