// The icon buttons at the end of an option row (browse, play, record, reset). Outside
// screen-reader mode they show only their pictures and stand side by side at the row's end; in
// it each shows its tooltip as a caption, a whole sentence, so they stand one under another on
// lines of their own below the row, as wide as their captions.
#pragma once

#include <QBoxLayout>
#include <QPointer>
#include <QWidget>
#include <initializer_list>

class CButtonSSL;
class QGridLayout;

class CIconButtonBar : public QWidget {
 public:
  CIconButtonBar(std::initializer_list<CButtonSSL*> buttons, QWidget* parent);

  // Where the bar goes in its row's grid: beside the row at (row, column), aligned in its cell as
  // `beside` says, or in caption mode on the grid row below, from captionColumn to the grid's end.
  void PlaceIn(QGridLayout* grid, int row, int column, int captionColumn,
               Qt::Alignment beside = Qt::AlignRight | Qt::AlignVCenter);
  // Moves the bar for the mode when it changed; the buttons' captions are their own business.
  void ShowCaptions(bool captions);

 private:
  void Place();

  QBoxLayout* m_layout;
  QPointer<QGridLayout> m_grid;
  int m_row = 0;
  int m_column = 0;
  int m_captionColumn = 0;
  Qt::Alignment m_beside = Qt::AlignRight | Qt::AlignVCenter;
  bool m_captions = false;
  bool m_placed = false;
};
