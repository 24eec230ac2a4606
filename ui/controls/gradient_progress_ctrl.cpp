#include "ui/controls/gradient_progress_ctrl.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <qdrawutil.h>

#include "ui/controls/qt_color.h"

CGradientProgressCtrl::CGradientProgressCtrl(QWidget* parent)
    : QProgressBar(parent), m_bkColour(ToColorRef(QApplication::palette().color(QPalette::Button))) {
  setRange(0, 100);
  setValue(0);
  setTextVisible(false);
}

void CGradientProgressCtrl::SetRange(int lower, int upper) {
  setRange(lower, upper);
  setValue(lower);
}

int CGradientProgressCtrl::StepIt() {
  const int previous = value();
  // QProgressBar ignores values out of range; the system bar wraps to the lower bound.
  int next = previous + m_step;
  if (next > maximum()) next = minimum() + (next - maximum());
  setValue(std::clamp(next, minimum(), maximum()));
  return previous;
}

int CGradientProgressCtrl::FilledLength(int position, int lower, int upper, int fullLength) {
  if (position <= lower || position > upper) return -1;
  if (upper <= 0) return fullLength;
  return static_cast<int>(static_cast<int64_t>(position) * fullLength / upper);
}

CGradientProgressCtrl::Layout CGradientProgressCtrl::GradientLayout(COLORREF start, COLORREF end, int fullLength,
                                                                     int filledLength) {
  Layout layout;
  if (fullLength <= 0) return layout;
  const int dr = GetRValue(end) - GetRValue(start);
  const int dg = GetGValue(end) - GetGValue(start);
  const int db = GetBValue(end) - GetBValue(start);
  int bands = std::max({std::abs(dr), std::abs(dg), std::abs(db)});
  if (bands == 0) bands = 255;
  for (int i = 0; i < bands; ++i) {
    Band band;
    band.from = static_cast<int>(static_cast<int64_t>(i) * fullLength / bands);
    band.to = static_cast<int>(static_cast<int64_t>(i + 1) * fullLength / bands);
    band.colour = RGB(static_cast<uint8_t>(GetRValue(start) + dr * i / bands),
                      static_cast<uint8_t>(GetGValue(start) + dg * i / bands),
                      static_cast<uint8_t>(GetBValue(start) + db * i / bands));
    if (band.to > filledLength) {
      band.to = filledLength;
      if (band.to > band.from) layout.bands.push_back(band);
      layout.backgroundFrom = std::max(filledLength, 0);
      return layout;
    }
    if (band.to > band.from) layout.bands.push_back(band);
  }
  return layout;
}

QString CGradientProgressCtrl::PercentText(int position, int lower, int upper) {
  const double percent = upper == lower ? 0.0 : (position - lower) * 100.0 / (upper - lower);
  return QString::asprintf("%3.0f %%", percent);
}

void CGradientProgressCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect all = rect();
  const QPalette& colours = palette();
  const QColor face = colours.color(QPalette::Button);
  const bool vertical = orientation() == Qt::Vertical;
  const QRect inner = all.adjusted(2, 2, -2, -2);
  const int fullLength = vertical ? inner.height() : inner.width();
  const int filled = FilledLength(value(), minimum(), maximum(), fullLength);
  if (filled < 0) {
    painter.fillRect(all, face);
    qDrawShadePanel(&painter, all, colours, true, 2);
    return;
  }
  qDrawShadePanel(&painter, all, colours, true, 2);
  const Layout layout = GradientLayout(m_startColour, m_endColour, fullLength, filled);
  // Bands run from the low end: left to right, or bottom to top on a vertical bar.
  auto span = [&](int from, int to) {
    return vertical ? QRect(inner.left(), inner.bottom() + 1 - to, inner.width(), to - from)
                    : QRect(inner.left() + from, inner.top(), to - from, inner.height());
  };
  for (const Band& band : layout.bands) painter.fillRect(span(band.from, band.to), ToQColor(band.colour));
  if (layout.backgroundFrom >= 0) painter.fillRect(span(layout.backgroundFrom, fullLength), ToQColor(m_bkColour));
  if (m_showPercent) {
    painter.setPen(ToQColor(m_textColour));
    painter.drawText(all, Qt::AlignCenter | Qt::TextSingleLine, PercentText(value(), minimum(), maximum()));
  }
}
