// C2DPushGraph: a child window that draws value series as polylines or 3D bars over a fixed range,
// with an optional label column and grid. The arithmetic lives in CPushGraphModel; this class
// paints it and reports presses and releases of the left button (graphClick: 1 on press, 2 on
// release, with the client position). GUI thread only.
#pragma once

#include <QString>
#include <QWidget>

#include "ui/controls/push_graph_model.h"

class C2DPushGraph : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kButtonDown = 1;
  static constexpr int kButtonUp = 2;

  explicit C2DPushGraph(QWidget* parent = nullptr);

  // Takes the place, size and visibility of `placeholder` (a static laid out for it), its cell in
  // its parent's layout when it stands in one, and deletes the placeholder. False when there is
  // none.
  bool CreateFromStatic(QWidget* placeholder);
  void SetCursorShape(Qt::CursorShape shape);

  CPushGraphModel& Model() { return m_model; }
  void SetRange(int minimum, int maximum) { m_model.SetRange(minimum, maximum); }
  void SetClampToRange(bool clamp) { m_model.SetClampToRange(clamp); }
  void SetStep(uint16_t pixels) { m_model.SetStep(pixels); }
  void AddLine(int id, COLORREF colour) { m_model.AddLine(id, colour); }
  void RemoveLine(int id) { m_model.RemoveLine(id); }
  void SetLineBarMode(int id, bool barMode) { m_model.SetLineBarMode(id, barMode); }
  bool Push(int value, int id) { return m_model.Push(value, id); }
  // Scrolls the grid with the data and repaints at once.
  void Update();
  // The client rectangle.
  QRect GetGraphRect() const { return rect(); }

  void SetLabelColour(COLORREF colour) { m_labelColour = colour; }
  COLORREF GetLabelColour() const { return m_labelColour; }
  void SetBGColour(COLORREF colour) { m_backgroundColour = colour; }
  COLORREF GetBGColour() const { return m_backgroundColour; }
  void SetGridColour(COLORREF colour) { m_gridColour = colour; }
  COLORREF GetGridColour() const { return m_gridColour; }
  void SetMaxLabel(const QString& text) { m_maxLabel = text; }
  void SetMinLabel(const QString& text) { m_minLabel = text; }
  QString GetMaxLabel() const { return m_maxLabel; }
  QString GetMinLabel() const { return m_minLabel; }
  void ShowLabels(bool show) { m_showLabels = show; }
  void ShowGrid(bool show) { m_showGrid = show; }

  // The drawing area left of which the labels stand (the whole client without labels).
  QRect PlotArea() const;
  // The 3D frame's edge colours of a bar: each non-zero channel 40 lighter or darker.
  static COLORREF BarLightEdge(COLORREF colour);
  static COLORREF BarDarkEdge(COLORREF colour);

 signals:
  void graphClick(int kind, QPoint position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int LabelColumnWidth() const;

  CPushGraphModel m_model;
  COLORREF m_labelColour = RGB(0xFF, 0xFF, 0);  // 0x00FFFF
  COLORREF m_backgroundColour = 0;
  COLORREF m_gridColour = RGB(0, 0x96, 0);  // 0x009600
  QString m_maxLabel = QStringLiteral("100%");
  QString m_minLabel = QStringLiteral("0%");
  bool m_showLabels = false;
  bool m_showGrid = false;
};
