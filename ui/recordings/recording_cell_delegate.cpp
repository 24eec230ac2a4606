#include "ui/recordings/recording_cell_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {

// The grid line takes one pixel at the right and the bottom of each cell.
constexpr int kGridLine = 1;

}  // namespace

const QStyle& CRecordingCellDelegate::StyleOf(const QWidget* widget) {
  return widget ? *widget->style() : *QApplication::style();
}

QStyleOptionViewItem CRecordingCellDelegate::ContentOption(const QStyleOptionViewItem& option) {
  QStyleOptionViewItem content = option;
  content.rect.adjust(0, 0, -kGridLine, -kGridLine);
  return content;
}

void CRecordingCellDelegate::PaintGridLines(QPainter* painter, const QStyleOptionViewItem& option) {
  const QStyle& style = StyleOf(option.widget);
  const int hint = style.styleHint(QStyle::SH_Table_GridLineColor, &option, option.widget);
  const QColor colour = hint != -1 ? QColor::fromRgba(static_cast<QRgb>(hint)) : option.palette.color(QPalette::Mid);
  painter->save();
  painter->setPen(colour);
  const QRect& cell = option.rect;
  painter->drawLine(cell.topRight(), cell.bottomRight());
  painter->drawLine(cell.bottomLeft(), cell.bottomRight());
  painter->restore();
}

void CRecordingCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, ContentOption(option), index);
  PaintGridLines(painter, option);
}

QSize CRecordingCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  return QStyledItemDelegate::sizeHint(option, index) + QSize(kGridLine, kGridLine);
}

int CRecordingCellDelegate::WidthFor(const QString& text, const QWidget& view) {
  QStyleOptionViewItem option;
  option.initFrom(&view);
  option.widget = &view;
  option.font = view.font();
  option.fontMetrics = view.fontMetrics();
  option.text = text;
  option.features = QStyleOptionViewItem::HasDisplay;
  option.displayAlignment = Qt::AlignCenter;
  return StyleOf(&view).sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &view).width() + kGridLine;
}

bool CRecordingCellDelegate::TextCut(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem cell = ContentOption(option);
  initStyleOption(&cell, index);
  if (cell.text.isEmpty()) return false;
  const QStyle& style = StyleOf(cell.widget);
  const QRect textRect = style.subElementRect(QStyle::SE_ItemViewItemText, &cell, cell.widget);
  // The style keeps this margin on both sides of the text before it cuts it.
  const int margin = style.pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, cell.widget) + 1;
  return cell.fontMetrics.horizontalAdvance(cell.text) > textRect.width() - 2 * margin;
}

bool CRecordingCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) {
  if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip) {
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  }
  if (index.isValid() && TextCut(option, index)) {
    QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(), view->viewport(), option.rect);
  } else {
    QToolTip::hideText();
  }
  return true;
}
