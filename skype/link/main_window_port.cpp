#include "skype/link/main_window_port.h"

#include <atomic>

namespace {

std::atomic<CMainWindowPort*> g_mainWindowPort{nullptr};

}  // namespace

void SetMainWindowPort(CMainWindowPort* port) { g_mainWindowPort.store(port, std::memory_order_release); }

bool PostToMainWindow(uint32_t message, uint64_t wParam, int64_t lParam) {
  CMainWindowPort* port = g_mainWindowPort.load(std::memory_order_acquire);
  return port != nullptr && port->Post(message, wParam, lParam);
}
