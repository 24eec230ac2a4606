// CRecordingCellDelegate: draws a cell of a recordings list as the lists of the sheet look: a grid
// line along the cell's right and bottom edges, and, while the mouse rests on a cell whose text is
// cut short, a tip with the whole text (a long "Name (handle)" can always be read). GUI thread only.
#pragma once

#include <QStyledItemDelegate>

class CRecordingCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

  // The width a cell of `view` needs to show `text` whole, centred and without a picture, grid
  // line included.
  static int WidthFor(const QString& text, const QWidget& view);

 protected:
  // What the cell's content may use: the cell less its grid line.
  static QStyleOptionViewItem ContentOption(const QStyleOptionViewItem& option);
  static void PaintGridLines(QPainter* painter, const QStyleOptionViewItem& option);
  // The style the cell's view draws with (the application's when the cell names no view).
  static const QStyle& StyleOf(const QWidget* widget);

 private:
  bool TextCut(const QStyleOptionViewItem& option, const QModelIndex& index) const;
};
