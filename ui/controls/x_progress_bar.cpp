#include "ui/controls/x_progress_bar.h"

#include <QMouseEvent>
#include <algorithm>
#include <cstdint>

CXProgressBar::CXProgressBar(QWidget* parent) : QProgressBar(parent) { setTextVisible(false); }

void CXProgressBar::SetCursorShape(Qt::CursorShape shape) {
  if (shape == Qt::ArrowCursor)
    unsetCursor();
  else
    setCursor(shape);
}

int CXProgressBar::PositionAt(int x, int width, int lower, int upper) {
  if (width <= 0) return lower;
  // A release outside the bar still counts, at the nearer end; 64 bits because the player's
  // ranges are byte counts.
  const int64_t held = std::clamp(x, 0, width - 1);
  return static_cast<int>(lower + (static_cast<int64_t>(upper) - lower) * held / width);
}

void CXProgressBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    emit progressClick(kButtonDown, PositionAt(event->position().toPoint().x(), width(), minimum(), maximum()));
  QProgressBar::mousePressEvent(event);
}

void CXProgressBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    emit progressClick(kButtonUp, PositionAt(event->position().toPoint().x(), width(), minimum(), maximum()));
  QProgressBar::mouseReleaseEvent(event);
}
