// CListBoxST: a list whose rows have an icon from an image list and a word-wrapped text. Rows can
// be disabled: they draw grey, and a double-click on them reaches nobody. Each row may hold a
// record (value, data, image, text format, flags); rows added here get one.
//
// rowDoubleClicked(row) is the double-click the parent handles (only for enabled rows). GUI
// thread only.
#pragma once

#include <QListWidget>
#include <cstdint>
#include <optional>

class CImageList;

class CListBoxST : public QListWidget {
  Q_OBJECT

 public:
  struct RowRecord {
    int value = 0;
    intptr_t data = 0;
    int image = -1;
    int textFormat = 0;  // Qt alignment flags of the text; 0: left
    int flags = 0;       // kRowDisabled
  };
  static constexpr int kRowDisabled = 1;
  // SetItem masks.
  static constexpr int kMaskValue = 1;
  static constexpr int kMaskData = 2;
  static constexpr int kMaskImage = 4;
  static constexpr int kMaskFlags = 8;
  // Highlight modes.
  static constexpr int kHighlightRow = 0;
  static constexpr int kHighlightRightOfIcon = 1;
  static constexpr int kHighlightText = 2;
  static constexpr int kError = -1;

  explicit CListBoxST(QWidget* parent = nullptr);

  // The list is not owned and must outlive the list box; null removes the icons.
  void SetImageList(const CImageList* images);
  const CImageList* GetImageList() const { return m_images; }
  QSize IconSize() const { return {m_iconWidth, m_iconHeight}; }

  // Index of the new row, or kError.
  int AddString(const QString& text, int image = -1);
  int InsertString(int index, const QString& text, int image = -1);
  // Rows left, or kError for a row that does not exist.
  int DeleteString(int index);
  int ReplaceString(int index, const QString& text, int image = -1);
  void ResetContent();

  // The record's data; -1 when the row has no record.
  intptr_t GetItemData(int index) const;
  int SetItemData(int index, intptr_t data);
  int GetItemValue(int index) const;
  int SetItemValue(int index, int value);
  int GetItemImage(int index) const;
  int SetItemImage(int index, int image);
  // Creates the record if missing and sets the fields the mask chooses.
  int SetItem(int index, int value, intptr_t data, int image, int flags, int mask);
  // Frees the row's record; the row stays.
  void DeleteItemData(int index);
  bool HasRecord(int index) const { return Record(index).has_value(); }
  // Only rows with a record can be disabled; a row without one counts as enabled.
  int EnableItem(int index, bool enable);
  bool IsItemEnabled(int index) const;
  // 0, 1 or 2; other values are ignored.
  void SetHighlightMode(int mode);
  int GetHighlightMode() const { return m_highlightMode; }

  // Moves a row with its text and record; a move beyond either end does nothing. Returns the new
  // index or kError.
  int MoveUp(int index, bool select = true);
  int MoveDown(int index, bool select = true);
  int MoveTop(int index, bool select = true);
  int MoveBottom(int index, bool select = true);

  // A row's height for a text `textHeight` tall: with icons at least the icon height + 4, then 4
  // more.
  static int RowHeight(int textHeight, int iconHeight, bool hasIcons);
  // The width the row's text wraps into, within a row `rowWidth` wide.
  int TextWidth(int rowWidth) const;
  // The narrowest width of the whole list box (frame included) at which no word of the texts is
  // cut in its font and icons: the rows wrap between words only. When the rows, wrapped so, are
  // taller than `height`, the vertical scroll bar's width is added.
  int WidthForWholeWords(const QStringList& texts, int height) const;
  std::optional<RowRecord> Record(int index) const;

 signals:
  void rowDoubleClicked(int row);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  friend class CListBoxSTDelegate;
  void SetRecord(int index, const RowRecord& record);
  int MoveTo(int from, int to, bool select);

  const CImageList* m_images = nullptr;
  int m_iconWidth = 0;
  int m_iconHeight = 0;
  int m_highlightMode = kHighlightRow;
};
