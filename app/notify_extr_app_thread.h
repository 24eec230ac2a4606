// The sibling-application thread: hands each notice text (app/extr_app_notify.h) to the sibling
// audio application as WM_COPYDATA (dwData 120, the UTF-16LE text without its terminating zero,
// wParam the main window), so a slow or hung sibling never holds the GUI thread. The send waits
// for the sibling, but at most kSendTimeoutMs; a sibling that is gone by then is skipped quietly.
//
// Threading: Start, Stop and the destructor on the GUI thread; PostNotice from any thread. The
// thread runs below normal priority.
#pragma once

#include <functional>
#include <string>

#include "platform/message.h"
#include "platform/message_thread.h"

inline constexpr uint32_t WM_SEND_NOTIFY_PROCESS = 0x5D7;
inline constexpr uint64_t kSiblingNoticeData = 120;

class CNotifyExtrAppThread {
 public:
  static constexpr int kSendTimeoutMs = 10000;

  // `mainWindow` gives the handle the notices are sent from.
  explicit CNotifyExtrAppThread(std::function<qav::Hwnd()> mainWindow);
  ~CNotifyExtrAppThread();
  CNotifyExtrAppThread(const CNotifyExtrAppThread&) = delete;
  CNotifyExtrAppThread& operator=(const CNotifyExtrAppThread&) = delete;

  bool Start();
  // Queues the text; false when the thread does not run.
  bool PostNotice(std::u16string text);
  // True when the thread ended within the bound.
  bool Stop(int timeoutMs);

 private:
  std::function<qav::Hwnd()> m_mainWindow;
  qav::MessageThread m_thread;
  bool m_running = false;
};
