// CXProgressBar: the player's position bar. A press or release of the left button reports the
// position under the mouse (progressClick: 1 on press, 2 on release), and the bar can show its own
// cursor. GUI thread only.
#pragma once

#include <QProgressBar>

class CXProgressBar : public QProgressBar {
  Q_OBJECT

 public:
  static constexpr int kButtonDown = 1;
  static constexpr int kButtonUp = 2;

  explicit CXProgressBar(QWidget* parent = nullptr);

  // The cursor shown over the bar; a null shape (Qt::ArrowCursor) takes the default back.
  void SetCursorShape(Qt::CursorShape shape);
  // lower + (upper - lower) * x / width, truncated toward zero; x outside the bar is held to it.
  static int PositionAt(int x, int width, int lower, int upper);

 signals:
  void progressClick(int kind, int position);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};
