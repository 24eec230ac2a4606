#include "ui/controls/color_static_st.h"

#include <QApplication>
#include <QPainter>

#include "ui/controls/qt_color.h"

namespace {

COLORREF ButtonText() { return ToColorRef(QApplication::palette().color(QPalette::ButtonText)); }
COLORREF ButtonFace() { return ToColorRef(QApplication::palette().color(QPalette::Button)); }

}  // namespace

CColorStaticST::CColorStaticST(QWidget* parent)
    : QLabel(parent),
      m_textColour(ButtonText()),
      m_blinkText{ButtonText(), ButtonText()},
      m_bkColour(ButtonFace()),
      m_blinkBk{ButtonFace(), ButtonFace()} {
  connect(&m_timer, &QTimer::timeout, this, [this] { OnBlinkTimer(); });
  ApplyTextColour();
}

void CColorStaticST::SetTextColor(COLORREF colour) {
  m_textColour = colour == kDefaultColour ? ButtonText() : colour;
  ApplyTextColour();
}

void CColorStaticST::SetBkColor(COLORREF colour) {
  m_bkColour = colour == kDefaultColour ? ButtonFace() : colour;
  update();
}

void CColorStaticST::SetBlinkTextColors(COLORREF first, COLORREF second) {
  m_blinkText[0] = first;
  m_blinkText[1] = second;
  ApplyTextColour();
}

void CColorStaticST::SetBlinkBkColors(COLORREF first, COLORREF second) {
  m_blinkBk[0] = first;
  m_blinkBk[1] = second;
  update();
}

void CColorStaticST::SetTransparent(bool transparent) {
  m_transparent = transparent;
  update();
}

int CColorStaticST::BlinkPeriodMs(int speed) {
  switch (speed) {
    case 0: return 2000;
    case 1: return 1000;
    case 2: return 500;
    default: return speed;
  }
}

void CColorStaticST::StartBlink(bool& flag, bool& phase, bool on, int speed) {
  m_timer.stop();
  flag = on;
  phase = false;
  const int period = BlinkPeriodMs(speed);
  // A period of zero or less would spin the timer; such a blink stays off.
  if (on && period > 0) m_timer.start(period);
  if (!m_timer.isActive()) flag = false;
  ApplyTextColour();
}

void CColorStaticST::StartTextBlink(bool on, int speed) { StartBlink(m_textBlink, m_textPhase, on, speed); }

void CColorStaticST::StartBkBlink(bool on, int speed) { StartBlink(m_bkBlink, m_bkPhase, on, speed); }

COLORREF CColorStaticST::CurrentTextColor() const {
  return m_textBlink ? m_blinkText[m_textPhase ? 1 : 0] : m_textColour;
}

COLORREF CColorStaticST::CurrentBkColor() const { return m_bkBlink ? m_blinkBk[m_bkPhase ? 1 : 0] : m_bkColour; }

void CColorStaticST::OnBlinkTimer() {
  if (m_textBlink) m_textPhase = !m_textPhase;
  if (m_bkBlink) m_bkPhase = !m_bkPhase;
  ApplyTextColour();
  if (m_notifyId != 0 && ((m_textBlink && m_textPhase) || (m_bkBlink && m_bkPhase))) emit blinkOn(m_notifyId);
}

void CColorStaticST::paintEvent(QPaintEvent* event) {
  if (!m_transparent) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(CurrentBkColor()));
  }
  QLabel::paintEvent(event);
}

void CColorStaticST::ApplyTextColour() {
  QPalette colours = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    colours.setColor(group, QPalette::WindowText, ToQColor(CurrentTextColor()));
  setPalette(colours);
  update();
}
