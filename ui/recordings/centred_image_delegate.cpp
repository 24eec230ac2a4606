#include "ui/recordings/centred_image_delegate.h"

#include <QPainter>

void CCentredImageDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  const QIcon picture = cell.icon;
  // The style draws the cell without its picture (background, selection, focus) ...
  cell.icon = QIcon();
  cell.features &= ~QStyleOptionViewItem::HasDecoration;
  cell.text.clear();
  StyleOf(cell.widget).drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
  PaintGridLines(painter, option);
  if (picture.isNull()) return;
  // ... and the picture goes inside the grid lines: over the right one it would lose the cell's edge and
  // look cut where it reaches it. A picture larger than the room left (a style that scales pictures
  // up) shrinks to it whole.
  const QRect room = ContentOption(cell).rect;
  QSize size = cell.decorationSize;
  if (size.width() > room.width() || size.height() > room.height()) size.scale(room.size(), Qt::KeepAspectRatio);
  const QRect target = QStyle::alignedRect(cell.direction, Qt::AlignCenter, size, room);
  // It is drawn in the mode the other columns draw theirs.
  const bool selected = (cell.state & QStyle::State_Selected) != 0;
  const QIcon::Mode mode = (cell.state & QStyle::State_Enabled) == 0 ? QIcon::Disabled : selected ? QIcon::Selected : QIcon::Normal;
  picture.paint(painter, target, Qt::AlignCenter, mode, (cell.state & QStyle::State_Open) != 0 ? QIcon::On : QIcon::Off);
}

QSize CCentredImageDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  // As wide as the picture, as tall as Qt would make the row.
  return {option.decorationSize.width(), QStyledItemDelegate::sizeHint(option, index).height()};
}
