#include "ui/recordings/centred_image_delegate.h"

#include <QApplication>
#include <QPainter>

void CCentredImageDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  const QIcon picture = cell.icon;
  const QSize size = cell.decorationSize;
  // The style draws the cell without its picture (background, selection, focus) ...
  cell.icon = QIcon();
  cell.features &= ~QStyleOptionViewItem::HasDecoration;
  cell.text.clear();
  QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
  const QRect target = QStyle::alignedRect(cell.direction, Qt::AlignCenter, size, cell.rect);
  // The picture fills the cell's width: the grid line beside it stops short of it.
  PaintGridLines(painter, option, picture.isNull() ? QRect() : target);
  if (picture.isNull()) return;
  // ... and the picture goes in the middle, in the mode the other columns draw theirs.
  const bool selected = (cell.state & QStyle::State_Selected) != 0;
  const QIcon::Mode mode = (cell.state & QStyle::State_Enabled) == 0 ? QIcon::Disabled : selected ? QIcon::Selected : QIcon::Normal;
  picture.paint(painter, target, Qt::AlignCenter, mode, (cell.state & QStyle::State_Open) != 0 ? QIcon::On : QIcon::Off);
}

QSize CCentredImageDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  // As wide as the picture, as tall as Qt would make the row.
  return {option.decorationSize.width(), QStyledItemDelegate::sizeHint(option, index).height()};
}
