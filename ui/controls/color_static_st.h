// CColorStaticST: a static text in chosen colours, on a transparent or a solid background, whose
// text or background can blink between two colours.
//
// Both blinks share one timer; each Start*Blink call stops it first. At each tick the phase of
// every running blink flips, and while a blink is in its "on" phase the control emits blinkOn
// with its id (the notice the parent asked for with SetBlinkNotify). GUI thread only.
#pragma once

#include <QLabel>
#include <QTimer>

#include "ui/controls/color_utils.h"

class CColorStaticST : public QLabel {
  Q_OBJECT

 public:
  static constexpr COLORREF kDefaultColour = 0xFFFFFFFF;  // -1: the system's colour

  explicit CColorStaticST(QWidget* parent = nullptr);

  // -1 means the button-text colour.
  void SetTextColor(COLORREF colour);
  COLORREF GetTextColor() const { return m_textColour; }
  // -1 means the button-face colour.
  void SetBkColor(COLORREF colour);
  COLORREF GetBkColor() const { return m_bkColour; }
  void SetBlinkTextColors(COLORREF first, COLORREF second);
  void SetBlinkBkColors(COLORREF first, COLORREF second);
  void SetTransparent(bool transparent);
  bool IsTransparent() const { return m_transparent; }
  // Speed 0, 1 and 2 blink every 2000, 1000 and 500 ms; any other value is the period in ms.
  void StartTextBlink(bool on, int speed);
  void StartBkBlink(bool on, int speed);
  // The control id that blinkOn carries; 0 (the default) asks for no notice.
  void SetBlinkNotify(int controlId) { m_notifyId = controlId; }
  static int GetVersionI() { return 10; }
  static const char* GetVersionC() { return "1.0"; }

  // The colours the control draws with now (the blink phase decides while a blink runs).
  COLORREF CurrentTextColor() const;
  COLORREF CurrentBkColor() const;
  bool IsBlinking() const { return m_timer.isActive(); }
  // One blink period: flips the phases, repaints and notifies (the timer calls it).
  void OnBlinkTimer();

  static int BlinkPeriodMs(int speed);

 signals:
  void blinkOn(int controlId);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void ApplyTextColour();
  void StartBlink(bool& flag, bool& phase, bool on, int speed);

  COLORREF m_textColour;
  COLORREF m_blinkText[2];
  COLORREF m_bkColour;
  COLORREF m_blinkBk[2];
  bool m_transparent = true;
  bool m_textBlink = false;
  bool m_textPhase = false;
  bool m_bkBlink = false;
  bool m_bkPhase = false;
  int m_notifyId = 0;
  QTimer m_timer;
};
