#include "ui/controls/push_graph.h"

#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "ui/controls/qt_color.h"

namespace {

uint8_t Shift(uint8_t channel, int by) {
  if (channel == 0) return 0;  // a zero channel stays zero, so pure colours keep their hue
  return static_cast<uint8_t>(std::clamp(channel + by, 0, 255));
}

COLORREF ShiftColour(COLORREF c, int by) {
  return RGB(Shift(GetRValue(c), by), Shift(GetGValue(c), by), Shift(GetBValue(c), by));
}

}  // namespace

C2DPushGraph::C2DPushGraph(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

bool C2DPushGraph::CreateFromStatic(QWidget* placeholder) {
  if (!placeholder) return false;
  QWidget* parent = placeholder->parentWidget();
  setParent(parent);
  setObjectName(placeholder->objectName());
  setSizePolicy(placeholder->sizePolicy());
  setMinimumSize(placeholder->minimumSize());
  setMaximumSize(placeholder->maximumSize());
  setGeometry(placeholder->geometry());
  // A placeholder standing in a layout hands its cell over, so the graph grows and moves with it.
  if (parent && parent->layout()) delete parent->layout()->replaceWidget(placeholder, this);
  setVisible(!placeholder->isHidden());
  delete placeholder;
  m_model.InvalidateVisiblePoints();
  return true;
}

void C2DPushGraph::SetCursorShape(Qt::CursorShape shape) {
  if (shape == Qt::ArrowCursor)
    unsetCursor();
  else
    setCursor(shape);
}

void C2DPushGraph::Update() {
  m_model.Update(PlotArea().width());
  repaint();
}

COLORREF C2DPushGraph::BarLightEdge(COLORREF colour) { return ShiftColour(colour, 40); }
COLORREF C2DPushGraph::BarDarkEdge(COLORREF colour) { return ShiftColour(colour, -40); }

int C2DPushGraph::LabelColumnWidth() const {
  const QFontMetrics metrics(font());
  return std::max(metrics.horizontalAdvance(m_maxLabel), metrics.horizontalAdvance(m_minLabel)) + 6;
}

QRect C2DPushGraph::PlotArea() const {
  QRect area = rect();
  if (m_showLabels) area.setLeft(LabelColumnWidth() + 6);
  return area;
}

void C2DPushGraph::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), ToQColor(m_backgroundColour));
  const QRect area = PlotArea();

  if (m_showLabels) {
    const int column = LabelColumnWidth();
    painter.setPen(ToQColor(m_labelColour));
    const int lineHeight = painter.fontMetrics().height();
    painter.drawText(QRect(0, 2, column, lineHeight), Qt::AlignHCenter | Qt::AlignTop, m_maxLabel);
    painter.drawText(QRect(0, height() - 2 - lineHeight, column, lineHeight), Qt::AlignHCenter | Qt::AlignBottom,
                     m_minLabel);
    painter.setPen(ToQColor(m_gridColour));
    painter.drawLine(area.left(), 0, area.left(), height() - 1);
  }

  if (m_showGrid) {
    painter.setPen(ToQColor(m_gridColour));
    const int grid = m_model.GetGridSize();
    for (int y = area.bottom(); y >= area.top(); y -= grid) painter.drawLine(area.left(), y, area.right(), y);
    for (int x = area.left() + m_model.GetGridOffset(); x <= area.right(); x += grid)
      if (x >= area.left()) painter.drawLine(x, 0, x, height() - 1);
  }

  for (const CPushGraphModel::LineLayout& line : m_model.Layout(area)) {
    const QColor colour = ToQColor(line.colour);
    if (line.barMode) {
      const QColor light = ToQColor(BarLightEdge(line.colour));
      const QColor dark = ToQColor(BarDarkEdge(line.colour));
      for (const QRect& bar : line.bars) {
        painter.fillRect(bar, colour);
        if (bar.width() < 3 || bar.height() < 3) continue;  // too thin for a frame
        painter.setPen(light);
        painter.drawLine(bar.topLeft(), bar.topRight());
        painter.drawLine(bar.topLeft(), bar.bottomLeft());
        painter.setPen(dark);
        painter.drawLine(bar.bottomLeft(), bar.bottomRight());
        painter.drawLine(bar.topRight(), bar.bottomRight());
      }
    } else if (line.points.size() > 1) {
      painter.setPen(QPen(colour, 1));
      // The model measures heights up from the area's outer bottom; the last row is bottom - 1.
      std::vector<QPoint> points = line.points;
      for (QPoint& p : points) p.setY(std::min(p.y(), area.bottom()));
      painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    }
  }
}

void C2DPushGraph::resizeEvent(QResizeEvent* event) {
  m_model.InvalidateVisiblePoints();
  QWidget::resizeEvent(event);
}

void C2DPushGraph::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit graphClick(kButtonDown, event->position().toPoint());
  QWidget::mousePressEvent(event);
}

void C2DPushGraph::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit graphClick(kButtonUp, event->position().toPoint());
  QWidget::mouseReleaseEvent(event);
}
