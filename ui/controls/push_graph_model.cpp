#include "ui/controls/push_graph_model.h"

#include <algorithm>

void CPushGraphModel::SetRange(int minimum, int maximum) {
  m_minimum = minimum;
  m_maximum = maximum;
  if (m_clamp) m_negativeOffset = minimum < 0 ? -minimum : 0;
}

void CPushGraphModel::SetClampToRange(bool clamp) {
  m_clamp = clamp;
  if (clamp) m_negativeOffset = m_minimum < 0 ? -m_minimum : 0;
}

void CPushGraphModel::SetStep(uint16_t pixels) {
  // A step of 0 would stack every point on the left edge and divide by zero in the count.
  m_step = std::max<uint16_t>(pixels, 1);
  m_visiblePoints = -1;
}

void CPushGraphModel::SetGridSize(uint16_t size) { m_gridSize = std::max<int>(size, 3); }

void CPushGraphModel::AddLine(int id, COLORREF colour) { m_lines.push_back(PushGraphLine{colour, id, false, {}}); }

void CPushGraphModel::RemoveLine(int id) {
  std::erase_if(m_lines, [id](const PushGraphLine& line) { return line.id == id; });
}

void CPushGraphModel::SetLineBarMode(int id, bool barMode) {
  for (PushGraphLine& line : m_lines)
    if (line.id == id) {
      line.barMode = barMode;
      return;
    }
}

COLORREF CPushGraphModel::GetLineColour(int id) const {
  for (const PushGraphLine& line : m_lines)
    if (line.id == id) return line.colour;
  return 0;
}

bool CPushGraphModel::SetLineColour(int id, COLORREF colour) {
  for (PushGraphLine& line : m_lines)
    if (line.id == id) {
      line.colour = colour;
      return true;
    }
  return false;
}

bool CPushGraphModel::Push(int value, int id) {
  for (PushGraphLine& line : m_lines) {
    if (line.id != id) continue;
    if (m_clamp) value = std::clamp(value, m_minimum, std::max(m_minimum, m_maximum));
    line.values.push_back(value + m_negativeOffset - m_minimum);
    return true;
  }
  return false;
}

int CPushGraphModel::LongestLine() const {
  size_t longest = 0;
  for (const PushGraphLine& line : m_lines) longest = std::max(longest, line.values.size());
  return static_cast<int>(longest);
}

int CPushGraphModel::VisiblePoints(int width) {
  if (m_visiblePoints < 0) {
    const int w = std::max(width, 0);
    m_visiblePoints = std::max(1, w / m_step + (w % m_step ? 1 : 0) + 2);
  }
  return m_visiblePoints;
}

void CPushGraphModel::Update(int width) {
  const int longest = LongestLine();
  const int visible = VisiblePoints(width);
  if (longest >= visible) {
    const int64_t back = static_cast<int64_t>(m_step) * (longest - visible + 1);
    m_gridOffset = static_cast<int>(((m_gridOffset - back) % m_gridSize + m_gridSize) % m_gridSize);
  }
}

std::vector<CPushGraphModel::LineLayout> CPushGraphModel::Layout(const QRect& area) {
  std::vector<LineLayout> layouts;
  const size_t longest = static_cast<size_t>(LongestLine());
  if (longest == 0) return layouts;
  const size_t visible = static_cast<size_t>(VisiblePoints(area.width()));
  const int left = area.left();
  const int bottom = area.top() + area.height();
  const int64_t span = std::max<int64_t>(static_cast<int64_t>(m_maximum) - m_minimum, 1);
  auto heightOf = [&](int value) { return static_cast<int>(static_cast<int64_t>(area.height()) * value / span); };

  for (PushGraphLine& line : m_lines) {
    // The lines themselves are evened out and trimmed, not a copy: the next Update scrolls the grid
    // by what was pushed since this drawing, and the points that scrolled out are gone for good, so
    // a graph fed for a long time holds no more than a window's width.
    std::vector<int>& values = line.values;
    if (values.empty()) values.push_back(m_minimum);
    values.resize(longest, values.back());
    // Only the newest points that fit stay: fewer than the visible count.
    if (values.size() >= visible) values.erase(values.begin(), values.end() - static_cast<ptrdiff_t>(visible - 1));

    LineLayout layout{line.colour, line.barMode, {}, {}};
    for (size_t j = 0; j < values.size(); ++j) {
      const int x = left + static_cast<int>(j) * m_step;
      if (line.barMode) {
        if (!InRange(values[j])) continue;
        // At least one pixel wide, so a step of 1 still shows the bar.
        const int barWidth = std::max(m_step - 1, 1);
        const int height = heightOf(values[j]);
        layout.bars.emplace_back(x + 1, bottom - height, barWidth, height);
      } else {
        if (j == 0) layout.points.emplace_back(x, values.size() == 1 ? bottom : bottom - heightOf(values[0]));
        if (InRange(values[j])) layout.points.emplace_back(x, bottom - heightOf(values[j]));
      }
    }
    layouts.push_back(std::move(layout));
  }
  return layouts;
}

double CPushGraphModel::SeekFraction(int x, int plotWidth) {
  if (plotWidth <= 0) return 0.0;
  return std::clamp(static_cast<double>(x) / plotWidth, 0.0, 1.0);
}
