#include "platform/message_box.h"

#include <atomic>
#include <vector>

namespace qav {
namespace {

std::atomic<MessageBoxHandler*> g_handler{nullptr};

std::vector<int> Buttons(uint32_t type) {
  switch (type & kMessageBoxButtonsMask) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler* handler) { g_handler.store(handler); }
MessageBoxHandler* GetMessageBoxHandler() { return g_handler.load(); }

int DefaultMessageBoxAnswer(uint32_t type) {
  const std::vector<int> buttons = Buttons(type);
  size_t index = 0;
  if ((type & kMessageBoxDefaultMask) == MB_DEFBUTTON2) index = 1;
  if ((type & kMessageBoxDefaultMask) == MB_DEFBUTTON3) index = 2;
  return buttons[index < buttons.size() ? index : buttons.size() - 1];
}

int ShowMessageBox(std::u16string_view text, std::u16string_view caption, uint32_t type) {
  MessageBoxHandler* handler = g_handler.load();
  return handler ? handler->Show(text, caption, type) : DefaultMessageBoxAnswer(type);
}

int ShowTimedMessageBox(std::u16string_view text, std::u16string_view caption, uint32_t type, uint32_t seconds) {
  MessageBoxHandler* handler = g_handler.load();
  return handler ? handler->ShowTimed(text, caption, type, seconds) : DefaultMessageBoxAnswer(type);
}

}  // namespace qav
