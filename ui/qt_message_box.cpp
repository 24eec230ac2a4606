#include "ui/qt_message_box.h"

#include <QApplication>
#include <string>

#include "foundation/logger.h"
#include "ui/message_box_extra.h"

namespace {
constexpr uint32_t kShowBoxMessage = qav::WM_USER + 1;
}

struct CQtMessageBox::Request {
  std::u16string text;
  std::u16string caption;
  uint32_t type = 0;
  uint32_t seconds = 0;  // 0: no countdown
};

CQtMessageBox::CQtMessageBox(qav::MessageLoop& guiLoop) : m_guiThread(std::this_thread::get_id()) {
  m_window.Create(guiLoop, "QAVMessageBoxHost", u"", qav::WindowKind::kLocal,
                  [this](qav::Msg& message) { return WindowProc(message); });
}

int CQtMessageBox::Show(std::u16string_view text, std::u16string_view caption, uint32_t type) {
  return ShowTimed(text, caption, type, 0);
}

int CQtMessageBox::ShowTimed(std::u16string_view text, std::u16string_view caption, uint32_t type, uint32_t seconds) {
  Request request{std::u16string(text), std::u16string(caption), type, seconds};
  if (std::this_thread::get_id() == m_guiThread) return ShowOnGuiThread(request);
  const qav::SendOutcome outcome =
      qav::SendMessageTimeout(m_window.handle(), kShowBoxMessage, 0, 0, qav::kInfinite, qav::MakePayload<Request>(request));
  if (!outcome.ok()) {
    // The GUI thread is gone (the program is ending): nobody can be asked.
    QAV_LOG(LOG_WARNING, u"Message box [%s]: %s (not shown, the window thread has ended)", caption, text);
    return qav::DefaultMessageBoxAnswer(type);
  }
  return static_cast<int>(outcome.result);
}

int CQtMessageBox::ShowOnGuiThread(const Request& request) {
  MSGBOXEXTRA extra;
  if (request.seconds > 0) {
    extra.dwFlags = MSGBOXEXTRA_COUNTDOWN | MSGBOXEXTRA_CENTER_TEXT;
    extra.seconds = request.seconds;
  }
  QAV_LOG(LOG_INFO, u"Message box [%s]: %s", request.caption, request.text);
  const int answer = MessageBoxExtra(nullptr, QString::fromStdU16String(request.text),
                                     QString::fromStdU16String(request.caption), request.type, &extra);
  return answer < 0 ? qav::DefaultMessageBoxAnswer(request.type) : answer;
}

qav::LResult CQtMessageBox::WindowProc(qav::Msg& message) {
  if (message.message == kShowBoxMessage) {
    if (const auto* request = message.Get<Request>()) return ShowOnGuiThread(*request);
    return 0;
  }
  return qav::DefWindowProc(message);
}
