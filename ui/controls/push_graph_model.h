// CPushGraphModel: the values and the arithmetic of the push graph (C2DPushGraph), apart from its
// painting: value series ("lines") over a fixed range, pushed at the right, laid out as polylines
// or bars over a drawing area, and the grid's phase that scrolls with the data.
#pragma once

#include <QPoint>
#include <QRect>
#include <cstdint>
#include <vector>

#include "ui/controls/color_utils.h"

struct PushGraphLine {
  COLORREF colour = 0;
  int id = 0;
  bool barMode = false;
  std::vector<int> values;  // oldest first
};

class CPushGraphModel {
 public:
  // What one line draws: a polyline through `points`, or one filled bar per rectangle.
  struct LineLayout {
    COLORREF colour = 0;
    bool barMode = false;
    std::vector<QPoint> points;
    std::vector<QRect> bars;
  };

  void SetRange(int minimum, int maximum);
  void SetMinimum(int minimum) { SetRange(minimum, m_maximum); }
  void SetMaximum(int maximum) { m_maximum = maximum; }
  int GetMinimum() const { return m_minimum; }
  int GetMaximum() const { return m_maximum; }
  void SetClampToRange(bool clamp);
  bool GetClampToRange() const { return m_clamp; }
  // Pixels between two points; forces a recount of the visible points.
  void SetStep(uint16_t pixels);
  uint16_t GetStep() const { return m_step; }
  // Grid spacing; values below 3 become 3.
  void SetGridSize(uint16_t size);
  int GetGridSize() const { return m_gridSize; }
  int GetGridOffset() const { return m_gridOffset; }

  void AddLine(int id, COLORREF colour);
  void RemoveLine(int id);
  void SetLineBarMode(int id, bool barMode);
  // 0 when no line has the id.
  COLORREF GetLineColour(int id) const;
  bool SetLineColour(int id, COLORREF colour);
  // Appends the value to the first line with the id (clamped first when clamping is on); false
  // when no line has the id.
  bool Push(int value, int id);
  const std::vector<PushGraphLine>& Lines() const { return m_lines; }
  int LongestLine() const;

  // Forgets the visible-point count (the width changed).
  void InvalidateVisiblePoints() { m_visiblePoints = -1; }
  // Points that fit `width`: width / step, plus 1 for a remainder, plus 2, and at least 1.
  int VisiblePoints(int width);
  // Moves the grid's phase back by the points that scrolled off (the graph calls it before it
  // repaints).
  void Update(int width);
  // The lines as drawn into `area`; nothing when every line is empty. Drawing evens the lines out
  // to the longest and drops the points that scrolled off, from the lines themselves.
  std::vector<LineLayout> Layout(const QRect& area);

  // The fraction of the recording under a click at client x on a plot `plotWidth` pixels wide,
  // held to 0..1.
  static double SeekFraction(int x, int plotWidth);

 private:
  bool InRange(int value) const { return value >= m_minimum && value <= m_maximum; }

  int m_minimum = 0;
  int m_maximum = 100;
  bool m_clamp = true;
  int m_negativeOffset = 0;
  uint16_t m_step = 2;
  int m_gridSize = 15;
  int m_gridOffset = 0;
  int m_visiblePoints = -1;
  std::vector<PushGraphLine> m_lines;
};
