// The state-machine engine: one hidden window on the GUI thread's loop through which every event
// of every machine instance is dispatched, so all transition functions run on the GUI thread, one
// at a time.
//
// Three ways in:
//   - SendEvent (any thread): dispatches and returns when the event has been handled, so the
//     sender sees the instance's new state. On the GUI thread itself it dispatches at once, inside
//     the caller.
//   - PostEvent with delay 0: queued behind the messages already waiting on the GUI thread, and
//     dispatched later, never inside the current dispatch.
//   - PostEvent with a delay, and every timeout event: held by the engine under its one window
//     timer, which always runs for the earliest remaining delay. Time comes from the loop's clock.
//
// Dispatching one event, in this order: the cell is looked up by the current state and the event
// (the next state is read before any function runs); on a change of state the instance's pending
// timeouts are dropped and the old state's exit function runs; the cell's function runs, while
// the instance is still in the old state; on a change of state the new state is stored and its
// entry function runs. A transition to the same state runs neither exit nor entry function and
// keeps the pending timeouts. Ordinary delayed events survive a change of state.
//
// Events for an instance that has been destroyed are dropped: destroying an instance removes its
// pending events, and an event already queued as a window message finds its target gone.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <thread>
#include <vector>

#include "calls/fsm_event.h"
#include "calls/fsm_object.h"
#include "calls/fsm_table.h"
#include "platform/message.h"
#include "platform/message_loop.h"
#include "platform/window.h"

class CFSM {
 public:
  static constexpr uint32_t WM_FSM_EVENT = 0x6FD;
  // Carries a delayed event posted from another thread to the GUI thread, where it is held.
  static constexpr uint32_t WM_FSM_HOLD_EVENT = 0x6FE;
  static constexpr uint64_t kTimerId = 987;

  // Creates the engine's window on `guiLoop`; call on that loop's thread. When the window cannot
  // be created the failure is logged and every later event is refused.
  explicit CFSM(qav::MessageLoop& guiLoop);
  // Frees every pending event and destroys the window (which frees the events still queued).
  ~CFSM();
  CFSM(const CFSM&) = delete;
  CFSM& operator=(const CFSM&) = delete;

  // Compiles `rows` (up to the end row, or the end of the span) into `out`. Returns 1; 0 when a
  // count is 0, the default function or the output is null, or memory runs out. A row naming a
  // state, column or next state outside the table is logged with its index and skipped.
  static int BuildFullTable(int32_t stateCount, int32_t eventCount, const char16_t* const* stateNames,
                            const char16_t* const* eventNames, FSMDoFunc defaultFunction,
                            std::span<const FSMTransition> rows, FSMTable* out);

  // Any thread. Returns 1 when the event was dispatched, 0 when it was dropped.
  int SendEvent(std::unique_ptr<CFSMEv> event);
  // Returns 1 when the event was queued or held, 0 when it was dropped.
  int PostEvent(std::unique_ptr<CFSMEv> event);
  // Drops the instance's pending timeout events; ordinary delayed events stay.
  void StopObjStateTimer(const CFSMObject* instance);
  // Drops every pending event of the instance (its destructor calls this).
  void PurgeObjEvents(const CFSMObject* instance);

  bool IsReady() const { return m_window.handle() != 0; }
  qav::Hwnd GetWindow() const { return m_window.handle(); }
  size_t GetPendingCount() const { return m_pending.size(); }

 private:
  struct Pending {
    int64_t dueMs;
    std::unique_ptr<CFSMEv> event;
  };

  qav::LResult OnMessage(qav::Msg& message);
  // WM_FSM_EVENT: dispatches the event it carries and frees it; 1 when it was dispatched.
  qav::LResult OnFSMEvent(qav::Msg& message);
  // False when the event was dropped (target gone, numbers outside the table).
  bool Dispatch(std::unique_ptr<CFSMEv> event);
  void Hold(std::unique_ptr<CFSMEv> event);
  void OnTimer();
  // Index of the pending event due first (the earliest held among equal times), or npos. Pending
  // events keep the time they fall due, so nothing needs ageing before this is asked.
  size_t GetNextPendingEvent() const;
  void ArmTimer();
  bool OnGuiThread() const { return std::this_thread::get_id() == m_guiThread; }

  qav::Clock& m_clock;
  const std::thread::id m_guiThread;
  qav::Window m_window;
  bool m_bTimerArmed = false;
  // In the order held, so events due at the same time are served in that order.
  std::vector<Pending> m_pending;
};

// The program's engine, created by the application once the GUI loop runs; null before and after.
extern CFSM* g_pFSM;
