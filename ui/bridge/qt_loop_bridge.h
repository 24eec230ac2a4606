// QtLoopBridge: Qt's event loop drives the GUI thread's platform loop.
//
// The platform loop (platform/message_loop.h) serves the transport window, the state-machine
// engine and the main window; the user interface's widgets live in Qt's loop on the same thread.
// The bridge makes Qt's loop do what MessageLoop::Run does by itself: a socket notifier on the
// loop's poll descriptor (readable whenever messages, sends or watched descriptors wait), and a
// single-shot timer for the loop's next timer deadline, re-armed after each round and whenever Qt
// is about to block (a handler outside the loop may have armed a timer). Either one serves a round
// (ProcessDue). A round that dispatched WM_QUIT ends Qt's loop with its exit code, and every
// nested loop with it.
//
// Because the notifier and the timer fire in any Qt loop, a modal box, dialog or menu opened
// inside a window procedure keeps the platform loop served while it is open, as a modal loop did
// on the original platform: posts, timers and the exit request go on meanwhile.
//
// Threading: construct, run and destroy on the loop's own thread, after the QApplication exists.
#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "platform/message_loop.h"

class QtLoopBridge {
 public:
  explicit QtLoopBridge(qav::MessageLoop& loop);
  ~QtLoopBridge();
  QtLoopBridge(const QtLoopBridge&) = delete;
  QtLoopBridge& operator=(const QtLoopBridge&) = delete;

  // Runs Qt's event loop until the platform loop dispatches WM_QUIT; returns its exit code.
  int Run();
  // Serves one round of the platform loop now, then re-arms the timer.
  void Serve();

 private:
  void RearmTimer();

  qav::MessageLoop& m_loop;
  QSocketNotifier m_notifier;
  QTimer m_timer;
  QMetaObject::Connection m_aboutToBlock;
  bool m_quitting = false;
};
