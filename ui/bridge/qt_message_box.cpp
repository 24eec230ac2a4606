#include "ui/bridge/qt_message_box.h"

#include <QApplication>
#include <string>

#include "foundation/logger.h"
#include "ui/boxes/message_box_extra.h"

struct CQtMessageBox::Request {
  std::u16string text;
  std::u16string caption;
  uint32_t type = 0;
  uint32_t seconds = 0;  // 0: no countdown
};

CQtMessageBox::CQtMessageBox(qav::MessageLoop& guiLoop) : m_handOff(guiLoop, *this) {}

int CQtMessageBox::Show(std::u16string_view text, std::u16string_view caption, uint32_t type) {
  return ShowTimed(text, caption, type, 0);
}

int CQtMessageBox::ShowTimed(std::u16string_view text, std::u16string_view caption, uint32_t type, uint32_t seconds) {
  if (!m_handOff.OnGuiThread()) {
    QAV_LOG(LOG_INFO, u"Message box [%s]: %s (asked off the GUI thread: shown there, answered here with %d)",
            caption, text, qav::DefaultMessageBoxAnswer(type));
    return seconds > 0 ? m_handOff.ShowTimed(text, caption, type, seconds) : m_handOff.Show(text, caption, type);
  }
  return ShowOnGuiThread(Request{std::u16string(text), std::u16string(caption), type, seconds});
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
