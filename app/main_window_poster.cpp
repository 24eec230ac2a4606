#include "app/main_window_poster.h"

#include "platform/window.h"

CMainWindowPoster& CMainWindowPoster::Installed() {
  static CMainWindowPoster poster;
  static const bool installed = (SetMainWindowPort(&poster), true);
  (void)installed;
  return poster;
}

bool CMainWindowPoster::Post(uint32_t message, uint64_t wParam, int64_t lParam) {
  const qav::Hwnd window = m_window.load();
  return window != 0 && qav::PostMessage(window, message, wParam, lParam);
}
