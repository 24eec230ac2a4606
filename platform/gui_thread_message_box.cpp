#include "platform/gui_thread_message_box.h"

#include <optional>
#include <string>

namespace qav {

namespace {
constexpr uint32_t kShowBoxMessage = WM_USER + 1;
}

struct GuiThreadMessageBox::Request {
  std::u16string text;
  std::u16string caption;
  uint32_t type = 0;
  std::optional<uint32_t> seconds;  // a notice that closes by itself
};

GuiThreadMessageBox::GuiThreadMessageBox(MessageLoop& guiLoop, MessageBoxHandler& shower)
    : shower_(shower), guiThread_(std::this_thread::get_id()) {
  window_.Create(guiLoop, "QAVMessageBoxCourier", u"", WindowKind::kLocal,
                 [this](Msg& message) { return WindowProc(message); });
  windowHandle_ = window_.handle();
}

int GuiThreadMessageBox::Show(std::u16string_view text, std::u16string_view caption, uint32_t type) {
  if (OnGuiThread()) return shower_.Show(text, caption, type);
  return Hand({std::u16string(text), std::u16string(caption), type, std::nullopt});
}

int GuiThreadMessageBox::ShowTimed(std::u16string_view text, std::u16string_view caption, uint32_t type,
                                   uint32_t seconds) {
  if (OnGuiThread()) return shower_.ShowTimed(text, caption, type, seconds);
  return Hand({std::u16string(text), std::u16string(caption), type, seconds});
}

int GuiThreadMessageBox::Hand(Request request) {
  const int answer = DefaultMessageBoxAnswer(request.type);
  // A post never waits; once the window or its loop has ended it fails and the box is dropped.
  PostMessage(windowHandle_, kShowBoxMessage, 0, 0, MakePayload<Request>(std::move(request)));
  return answer;
}

LResult GuiThreadMessageBox::WindowProc(Msg& message) {
  if (message.message != kShowBoxMessage) return DefWindowProc(message);
  if (const auto* request = message.Get<Request>()) {
    if (request->seconds) {
      shower_.ShowTimed(request->text, request->caption, request->type, *request->seconds);
    } else {
      shower_.Show(request->text, request->caption, request->type);
    }
  }
  return 0;
}

}  // namespace qav
