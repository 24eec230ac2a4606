// What a screen reader reads of a widget, and whether a button shows a frame, as the user meets
// them: the name from Qt's accessibility interface, the frame from the button's own drawing.
#pragma once

#include <QAccessible>
#include <cstdlib>
#include <QAccessibleInterface>
#include <QImage>
#include <QString>
#include <QWidget>

namespace qav::test {

// The name a screen reader reads for the widget.
inline QString AccessibleName(QWidget* widget) {
  QAccessibleInterface* face = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
  return face ? face->text(QAccessible::Name) : QString();
}

// Whether the widget, drawn on its own without the mouse over it, has a frame: an outer edge
// drawn unlike its face just inside (a flat button's edge is its face).
inline bool DrawsFrame(QWidget& widget) {
  QImage image(widget.size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  if (image.width() < 8 || image.height() < 8) return false;
  const QColor face = image.pixelColor(image.width() / 2, 3);
  const auto unlike = [&face](const QColor& c) {
    return std::abs(c.red() - face.red()) + std::abs(c.green() - face.green()) + std::abs(c.blue() - face.blue()) +
               std::abs(c.alpha() - face.alpha()) > 24;
  };
  int edge = 0, drawn = 0;
  for (int x = 0; x < image.width(); ++x) {
    for (int y : {0, image.height() - 1}) {
      ++edge;
      drawn += unlike(image.pixelColor(x, y)) ? 1 : 0;
    }
  }
  for (int y = 1; y < image.height() - 1; ++y) {
    for (int x : {0, image.width() - 1}) {
      ++edge;
      drawn += unlike(image.pixelColor(x, y)) ? 1 : 0;
    }
  }
  return drawn * 2 > edge;
}

}  // namespace qav::test
