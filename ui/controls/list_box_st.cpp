#include "ui/controls/list_box_st.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "ui/controls/image_list.h"

Q_DECLARE_METATYPE(CListBoxST::RowRecord)

namespace {

constexpr int kRecordRole = Qt::UserRole + 1;
constexpr int kIconMargin = 3;
constexpr int kTextFlags = Qt::TextWordWrap | Qt::TextExpandTabs;

}  // namespace

// Measures and draws the rows as the list box's design has them.
class CListBoxSTDelegate : public QStyledItemDelegate {
 public:
  explicit CListBoxSTDelegate(CListBoxST* list) : QStyledItemDelegate(list), m_list(list) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QString text = index.data(Qt::DisplayRole).toString();
    const int rowWidth = m_list->viewport()->width();
    int textHeight = 0;
    if (!text.isEmpty())
      textHeight = option.fontMetrics.boundingRect(QRect(0, 0, m_list->TextWidth(rowWidth), 100000), kTextFlags, text)
                       .height();
    return {rowWidth, CListBoxST::RowHeight(textHeight, m_list->m_iconHeight, m_list->m_images != nullptr)};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int row = index.row();
    const std::optional<CListBoxST::RowRecord> record = m_list->Record(row);
    const bool disabled = !(option.state & QStyle::State_Enabled) || (record && (record->flags & CListBoxST::kRowDisabled));
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    const QRect rowRect = option.rect;
    const bool icons = m_list->m_images != nullptr;

    QRect iconArea;
    QRect textRect = rowRect.adjusted(0, 0, -kIconMargin, 0);
    if (icons) {
      iconArea = QRect(rowRect.left() + kIconMargin, rowRect.top(), m_list->m_iconWidth + 6, rowRect.height());
      textRect.setLeft(iconArea.right() + 1);
    }

    QColor textColour = palette.color(QPalette::Text);
    QColor background = palette.color(QPalette::Base);
    if (disabled) {
      textColour = palette.color(QPalette::Disabled, QPalette::Text);
    } else if (selected) {
      // The window text with every colour bit flipped, on the highlight colour.
      textColour = QColor::fromRgb(~palette.color(QPalette::Text).rgb() & 0xFFFFFF);
      background = palette.color(QPalette::Highlight);
    }

    const int mode = m_list->m_highlightMode;
    if (icons) {
      const bool fillHighlight = selected && !disabled && mode == CListBoxST::kHighlightRow;
      painter->fillRect(QRect(rowRect.left(), rowRect.top(), iconArea.right() + 1 - rowRect.left(), rowRect.height()),
                        fillHighlight ? palette.color(QPalette::Highlight) : palette.color(QPalette::Base));
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    const int format = (record ? record->textFormat : 0) | kTextFlags;
    QRect textBounds = painter->fontMetrics().boundingRect(textRect, format, text);
    textBounds.moveTop(textRect.top() + (textRect.height() - textBounds.height()) / 2);
    QRect filled = mode == CListBoxST::kHighlightText ? textBounds
                                                      : QRect(textRect.left(), rowRect.top(),
                                                              rowRect.right() + 1 - textRect.left(), rowRect.height());
    if (!icons && mode == CListBoxST::kHighlightRow) filled = rowRect;
    painter->fillRect(filled, background);

    if (icons && record && record->image >= 0) {
      const QIcon icon = m_list->m_images->GetIcon(record->image);
      const QPixmap picture = icon.pixmap(m_list->IconSize(), disabled ? QIcon::Disabled : QIcon::Normal);
      painter->drawPixmap(rowRect.left() + kIconMargin, rowRect.top() + 2, picture);
    }
    painter->setPen(textColour);
    painter->drawText(textBounds, format, text);

    if ((option.state & QStyle::State_HasFocus) && !disabled) {
      // A dotted frame, as list boxes draw focus, that leaves the row's colours as they are.
      painter->setPen(QPen(textColour, 1, Qt::DotLine));
      painter->drawRect(filled.adjusted(0, 0, -1, -1));
    }
  }

 private:
  CListBoxST* m_list;
};

CListBoxST::CListBoxST(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new CListBoxSTDelegate(this));
  setResizeMode(QListView::Adjust);
  setUniformItemSizes(false);
  setWordWrap(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void CListBoxST::SetImageList(const CImageList* images) {
  m_images = images;
  m_iconWidth = images ? images->Width() : 0;
  m_iconHeight = images ? images->Height() : 0;
  doItemsLayout();
  viewport()->update();
}

int CListBoxST::RowHeight(int textHeight, int iconHeight, bool hasIcons) {
  int height = textHeight;
  if (hasIcons) height = std::max(height, iconHeight + 4);
  return height + 4;
}

int CListBoxST::TextWidth(int rowWidth) const {
  const int iconPart = m_images ? kIconMargin + m_iconWidth + 6 : 0;
  return std::max(rowWidth - iconPart - kIconMargin, 1);
}

int CListBoxST::WidthForWholeWords(const QStringList& texts, int height) const {
  const QFontMetrics metrics(font());
  int widestWord = 1;
  for (const QString& text : texts) {
    for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
      widestWord = std::max(widestWord, metrics.horizontalAdvance(word));
  }
  // TextWidth takes a fixed part off any row; the drawing may round up by a pixel.
  const int rowWidth = widestWord + 1 + (1000 - TextWidth(1000));
  const int frame = 2 * frameWidth();
  int rowsHeight = 0;
  for (const QString& text : texts) {
    const int textHeight = metrics.boundingRect(QRect(0, 0, TextWidth(rowWidth), 100000), kTextFlags, text).height();
    rowsHeight += RowHeight(textHeight, m_iconHeight, m_images != nullptr);
  }
  const int scrollBar = rowsHeight > height - frame ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) : 0;
  return rowWidth + frame + scrollBar;
}

std::optional<CListBoxST::RowRecord> CListBoxST::Record(int index) const {
  const QListWidgetItem* row = item(index);
  if (!row) return std::nullopt;
  const QVariant value = row->data(kRecordRole);
  if (!value.isValid()) return std::nullopt;
  return value.value<RowRecord>();
}

void CListBoxST::SetRecord(int index, const RowRecord& record) {
  if (QListWidgetItem* row = item(index)) row->setData(kRecordRole, QVariant::fromValue(record));
}

int CListBoxST::AddString(const QString& text, int image) { return InsertString(count(), text, image); }

int CListBoxST::InsertString(int index, const QString& text, int image) {
  if (index < 0 || index > count()) index = count();
  auto* row = new QListWidgetItem(text);
  RowRecord record;
  record.image = image;
  row->setData(kRecordRole, QVariant::fromValue(record));
  insertItem(index, row);
  return index;
}

int CListBoxST::DeleteString(int index) {
  if (index < 0 || index >= count()) return kError;
  delete takeItem(index);
  return count();
}

int CListBoxST::ReplaceString(int index, const QString& text, int image) {
  if (index < 0 || index >= count()) return kError;
  const bool wasSelected = item(index)->isSelected();
  DeleteString(index);
  const int at = InsertString(index, text, image);
  if (wasSelected) setCurrentRow(at);
  return at;
}

void CListBoxST::ResetContent() { clear(); }

intptr_t CListBoxST::GetItemData(int index) const {
  const auto record = Record(index);
  return record ? record->data : -1;
}

int CListBoxST::SetItemData(int index, intptr_t data) { return SetItem(index, 0, data, 0, 0, kMaskData); }

int CListBoxST::GetItemValue(int index) const {
  const auto record = Record(index);
  return record ? record->value : -1;
}

int CListBoxST::SetItemValue(int index, int value) { return SetItem(index, value, 0, 0, 0, kMaskValue); }

int CListBoxST::GetItemImage(int index) const {
  const auto record = Record(index);
  return record ? record->image : -1;
}

int CListBoxST::SetItemImage(int index, int image) { return SetItem(index, 0, 0, image, 0, kMaskImage); }

int CListBoxST::SetItem(int index, int value, intptr_t data, int image, int flags, int mask) {
  if (!item(index)) return kError;
  RowRecord record = Record(index).value_or(RowRecord{});
  if (mask & kMaskValue) record.value = value;
  if (mask & kMaskData) record.data = data;
  if (mask & kMaskImage) record.image = image;
  if (mask & kMaskFlags) record.flags = flags;
  SetRecord(index, record);
  viewport()->update();
  return 1;
}

void CListBoxST::DeleteItemData(int index) {
  if (QListWidgetItem* row = item(index)) row->setData(kRecordRole, QVariant());
}

int CListBoxST::EnableItem(int index, bool enable) {
  std::optional<RowRecord> record = Record(index);
  if (!record) return kError;
  record->flags = enable ? (record->flags & ~kRowDisabled) : (record->flags | kRowDisabled);
  SetRecord(index, *record);
  viewport()->update();
  return 1;
}

bool CListBoxST::IsItemEnabled(int index) const {
  const auto record = Record(index);
  return !record || !(record->flags & kRowDisabled);
}

void CListBoxST::SetHighlightMode(int mode) {
  if (mode < kHighlightRow || mode > kHighlightText) return;
  m_highlightMode = mode;
  viewport()->update();
}

int CListBoxST::MoveTo(int from, int to, bool select) {
  if (from < 0 || from >= count() || to < 0 || to >= count()) return kError;
  if (from == to) return to;
  QListWidgetItem* row = takeItem(from);
  insertItem(to, row);
  if (select) setCurrentRow(to);
  return to;
}

int CListBoxST::MoveUp(int index, bool select) { return MoveTo(index, index - 1, select); }
int CListBoxST::MoveDown(int index, bool select) { return MoveTo(index, index + 1, select); }
int CListBoxST::MoveTop(int index, bool select) { return MoveTo(index, 0, select); }
int CListBoxST::MoveBottom(int index, bool select) { return MoveTo(index, count() - 1, select); }

void CListBoxST::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex under = indexAt(event->position().toPoint());
  // A disabled row swallows the double-click, so the parent never acts on it.
  if (under.isValid() && !IsItemEnabled(under.row())) {
    event->accept();
    return;
  }
  QListWidget::mouseDoubleClickEvent(event);
  if (under.isValid()) emit rowDoubleClicked(under.row());
}
