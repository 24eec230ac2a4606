#include "ui/controls/multi_line_edit.h"

#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

CMultiLineEdit::CMultiLineEdit(QWidget* parent) : QPlainTextEdit(parent) {}

void CMultiLineEdit::SetVisibleLines(int lines) {
  m_visibleLines = lines;
  setSizePolicy(sizePolicy().horizontalPolicy(), lines > 0 ? QSizePolicy::Fixed : QSizePolicy::Expanding);
  updateGeometry();
}

int CMultiLineEdit::LinesHeight() const {
  const int documentMargins = static_cast<int>(2 * document()->documentMargin());
  // The text edit keeps one pixel below its last line free; without it, the lines just fitting
  // would already show a scroll bar.
  return m_visibleLines * fontMetrics().lineSpacing() + documentMargins + 2 * frameWidth() + 1;
}

QSize CMultiLineEdit::sizeHint() const {
  QSize hint = QPlainTextEdit::sizeHint();
  if (m_visibleLines > 0) hint.setHeight(LinesHeight());
  return hint;
}

QSize CMultiLineEdit::minimumSizeHint() const {
  QSize hint = QPlainTextEdit::minimumSizeHint();
  if (m_visibleLines > 0) hint.setHeight(LinesHeight());
  return hint;
}

int CMultiLineEdit::StoredLength(const QString& text) {
  return static_cast<int>(text.size() + text.count(u'\n'));
}

template <class Edit>
void CMultiLineEdit::UserEdit(Edit edit) {
  if (m_userEditing) {  // a paste from a key press: one edit
    edit();
    return;
  }
  m_userEditing = true;
  m_lengthBefore = StoredLength(toPlainText());
  edit();
  m_userEditing = false;
}

void CMultiLineEdit::keyPressEvent(QKeyEvent* event) {
  UserEdit([&] { QPlainTextEdit::keyPressEvent(event); });
}

void CMultiLineEdit::insertFromMimeData(const QMimeData* source) {
  UserEdit([&] { QPlainTextEdit::insertFromMimeData(source); });
}

void CMultiLineEdit::inputMethodEvent(QInputMethodEvent* event) {
  UserEdit([&] { QPlainTextEdit::inputMethodEvent(event); });
}

bool CMultiLineEdit::CutUserExcess() {
  if (!m_userEditing) return false;
  const QString text = toPlainText();
  const int allowed = std::max(m_limit, m_lengthBefore);
  int excess = StoredLength(text) - allowed;
  if (excess <= 0) return false;
  // The plain text and the cursor count the same positions: a line break is one of each.
  const int end = textCursor().position();
  int start = end;
  while (excess > 0 && start > 0) {
    const QChar c = text[start - 1];
    int units = c == u'\n' ? 2 : 1;
    int positions = 1;
    if (c.isLowSurrogate() && start > 1 && text[start - 2].isHighSurrogate()) {
      units = 2;
      positions = 2;  // a character is never split
    }
    start -= positions;
    excess -= units;
  }
  QTextCursor cut = textCursor();
  cut.setPosition(start);
  cut.setPosition(end, QTextCursor::KeepAnchor);
  cut.removeSelectedText();  // notifies again, now within the limit
  return true;
}
