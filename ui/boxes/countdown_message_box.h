// CCountdownMessageBox: the box MessageBoxExtra shows. Besides a standard box's text, icon and
// buttons it can count down and close itself with its default button, keeping the seconds left in
// the text wherever it says "<T>". GUI thread only.
#pragma once

#include <QMessageBox>
#include <QTimer>
#include <cstdint>

class CCountdownMessageBox : public QMessageBox {
 public:
  // type: the MB_ buttons, icon and default-button bits of platform/message_box.h.
  CCountdownMessageBox(QWidget* owner, const QString& text, const QString& caption, uint32_t type);

  // Starts the countdown: the text shows `seconds` at once, one less each second, and the box
  // closes one second after showing 1.
  void StartCountdown(uint32_t seconds);
  // One second of the countdown (the timer calls it; tests call it instead of waiting).
  void Tick();
  uint32_t SecondsLeft() const { return m_secondsLeft; }
  bool CountdownRunning() const { return m_timer.isActive(); }

  // Shows the box modally and returns the answer (IDOK ...).
  int Run();
  // The answer of the default button.
  int DefaultAnswer() const;

 private:
  void ShowSeconds();

  uint32_t m_type;
  QString m_openingText;
  uint32_t m_secondsLeft = 0;
  QTimer m_timer;
  bool m_timedOut = false;
};
