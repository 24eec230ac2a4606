// The main-window seam of the folders below app/ (skype/link/main_window_port.h): their posts go
// to the main window's handle. The poster lives for the whole process and only its handle changes,
// so a thread that posts while the window goes never reaches a freed object: its post fails.
#pragma once

#include <atomic>

#include "platform/message.h"
#include "skype/link/main_window_port.h"

class CMainWindowPoster : public CMainWindowPort {
 public:
  // The program's one poster, installed as the port the first time it is asked for.
  static CMainWindowPoster& Installed();

  void SetWindow(qav::Hwnd window) { m_window.store(window); }
  bool Post(uint32_t message, uint64_t wParam, int64_t lParam) override;

 private:
  std::atomic<qav::Hwnd> m_window{0};
};
