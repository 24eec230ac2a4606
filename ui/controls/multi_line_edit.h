// CMultiLineEdit: a multi-line text edit with a length limit counted as the settings store the
// text: each line break is two units (CR LF), every other UTF-16 unit one. So a text that fits the
// edit is stored, and read back, whole.
//
// The limit binds what the user types, pastes or drops: an insertion that would pass it is cut to
// fit, and an edit of a text that is already longer may not make it longer still. A text the
// program sets is shown whole, however long (a stored text is never cut just by showing it).
//
// Whoever handles textChanged asks CutUserExcess first: when it returns true the edit has just cut
// what the user put in beyond the limit and notifies again with the text that stays. GUI thread
// only.
#pragma once

#include <QPlainTextEdit>

class CMultiLineEdit : public QPlainTextEdit {
 public:
  // The edit's own limit when none is set: the most a text edit of the desktop holds.
  static constexpr int kDefaultLimit = 32767;

  explicit CMultiLineEdit(QWidget* parent = nullptr);

  void SetLimit(int units) { m_limit = units; }
  // How many lines of the edit's font it asks to show (its height grows with the font); 0 keeps
  // the text edit's own hint. Longer texts scroll.
  void SetVisibleLines(int lines);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  int Limit() const { return m_limit; }
  // The length as the settings file holds the text.
  static int StoredLength(const QString& text);
  // Inside a user's edit that passed the limit: removes the excess just before the cursor (where
  // the insertion ends) and returns true. False otherwise, the text untouched.
  bool CutUserExcess();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  template <class Edit>
  void UserEdit(Edit edit);

  int LinesHeight() const;

  int m_limit = kDefaultLimit;
  int m_visibleLines = 0;
  bool m_userEditing = false;
  int m_lengthBefore = 0;
};
