#include "ui/boxes/countdown_message_box.h"

#include <QAbstractButton>

#include "platform/message_box.h"
#include "ui/boxes/message_box_extra.h"

namespace {

struct ButtonAnswer {
  QMessageBox::StandardButton button;
  int answer;
};

std::vector<ButtonAnswer> ButtonsOf(uint32_t type) {
  switch (type & qav::kMessageBoxButtonsMask) {
    case qav::MB_OKCANCEL: return {{QMessageBox::Ok, qav::IDOK}, {QMessageBox::Cancel, qav::IDCANCEL}};
    case qav::MB_YESNOCANCEL:
      return {{QMessageBox::Yes, qav::IDYES}, {QMessageBox::No, qav::IDNO}, {QMessageBox::Cancel, qav::IDCANCEL}};
    case qav::MB_YESNO: return {{QMessageBox::Yes, qav::IDYES}, {QMessageBox::No, qav::IDNO}};
    case qav::MB_RETRYCANCEL: return {{QMessageBox::Retry, qav::IDRETRY}, {QMessageBox::Cancel, qav::IDCANCEL}};
    default: return {{QMessageBox::Ok, qav::IDOK}};
  }
}

QMessageBox::Icon IconOf(uint32_t type) {
  switch (type & qav::kMessageBoxIconMask) {
    case qav::MB_ICONSTOP: return QMessageBox::Critical;
    case qav::MB_ICONQUESTION: return QMessageBox::Question;
    case qav::MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case qav::MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

}  // namespace

CCountdownMessageBox::CCountdownMessageBox(QWidget* owner, const QString& text, const QString& caption, uint32_t type)
    : QMessageBox(owner), m_type(type), m_openingText(text) {
  setWindowTitle(caption);
  setText(text);
  setIcon(IconOf(type));
  setTextFormat(Qt::PlainText);
  const int defaultAnswer = DefaultAnswer();
  for (const ButtonAnswer& b : ButtonsOf(type)) {
    addButton(b.button);
    if (b.answer == defaultAnswer) setDefaultButton(b.button);
    // Escape answers as Cancel where there is one, and closes a box that has only OK.
    if (b.answer == qav::IDCANCEL || (type & qav::kMessageBoxButtonsMask) == qav::MB_OK) setEscapeButton(b.button);
  }
  m_timer.setInterval(1000);
  connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
}

int CCountdownMessageBox::DefaultAnswer() const { return qav::DefaultMessageBoxAnswer(m_type); }

void CCountdownMessageBox::StartCountdown(uint32_t seconds) {
  m_secondsLeft = seconds;
  ShowSeconds();
  m_timer.start();
}

void CCountdownMessageBox::ShowSeconds() { setText(ReplaceCountdownMark(m_openingText, m_secondsLeft)); }

void CCountdownMessageBox::Tick() {
  if (m_secondsLeft < 2) {
    m_timer.stop();
    m_timedOut = true;
    done(DefaultAnswer());
    return;
  }
  --m_secondsLeft;
  ShowSeconds();
}

int CCountdownMessageBox::Run() {
  const int result = exec();
  m_timer.stop();
  if (m_timedOut) return DefaultAnswer();
  const auto clicked = standardButton(clickedButton());
  for (const ButtonAnswer& b : ButtonsOf(m_type)) {
    if (b.button == clicked) return b.answer;
  }
  // Closed without a button (the close box or Escape with no cancel button): the result of the
  // button that answers a closed box.
  (void)result;
  const auto buttons = ButtonsOf(m_type);
  for (const ButtonAnswer& b : buttons) {
    if (b.answer == qav::IDCANCEL) return b.answer;
  }
  return buttons.size() == 1 ? buttons.front().answer : DefaultAnswer();
}
