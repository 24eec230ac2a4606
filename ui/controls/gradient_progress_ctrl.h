// CGradientProgressCtrl: the player's stress-level bar. The done part is filled with bands that
// move from the start colour to the end colour; the rest shows the background colour. Qt paints
// double-buffered, so the bar never flickers. GUI thread only.
#pragma once

#include <QProgressBar>
#include <vector>

#include "ui/controls/color_utils.h"

class CGradientProgressCtrl : public QProgressBar {
  Q_OBJECT

 public:
  struct Band {
    int from = 0;  // pixels along the bar, [from, to)
    int to = 0;
    COLORREF colour = 0;
  };
  struct Layout {
    std::vector<Band> bands;
    int backgroundFrom = -1;  // -1: no background part
  };

  explicit CGradientProgressCtrl(QWidget* parent = nullptr);

  void SetPos(int position) { setValue(position); }
  int GetPos() const { return value(); }
  void SetRange(int lower, int upper);
  void SetStep(int step) { m_step = step; }
  int StepIt();
  void SetStartColour(COLORREF colour) { m_startColour = colour; update(); }
  void SetEndColour(COLORREF colour) { m_endColour = colour; update(); }
  void SetBkColour(COLORREF colour) { m_bkColour = colour; update(); }
  void SetTextColour(COLORREF colour) { m_textColour = colour; update(); }
  void ShowPercent(bool show) { m_showPercent = show; update(); }

  // Length along the bar that the position fills: position / upper of the full length, truncated;
  // -1 (an empty bar with its edge) when the position is not above the lower bound or is above the
  // upper one.
  static int FilledLength(int position, int lower, int upper, int fullLength);
  // Bands of the gradient over `fullLength` pixels, cut at `filledLength`.
  static Layout GradientLayout(COLORREF start, COLORREF end, int fullLength, int filledLength);
  // The percentage text, "%3.0f %%".
  static QString PercentText(int position, int lower, int upper);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  COLORREF m_startColour = RGB(0xFF, 0, 0);  // 0x0000FF
  COLORREF m_endColour = RGB(0, 0, 0xFF);    // 0xFF0000
  COLORREF m_bkColour;
  COLORREF m_textColour = RGB(0xFF, 0xFF, 0xFF);
  int m_step = 10;
  bool m_showPercent = false;
};
