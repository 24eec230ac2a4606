// The place beside the options page's list where the chosen option child shows. It asks for room
// for the largest child (so that choosing another child never resizes the sheet), and scrolls when
// the screen gives less: a child at a large font, or in screen-reader mode, is never cut.
#pragma once

#include <QScrollArea>

class COptionChildArea : public QScrollArea {
 public:
  explicit COptionChildArea(QWidget* parent);

  // A child, or the no-user notice, shown here one at a time (the page shows and hides them).
  void AddChild(QWidget* child);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 private:
  class Column;
  Column* m_column;
};
