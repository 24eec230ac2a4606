// CNumberEdit: a one-line edit that takes decimal digits only. Typed, pasted or dropped text with
// anything else in it is refused whole and never reaches the edit, so a letter can never be read as
// the number 0. What the program sets is shown as it stands (a stored -1 stays visible); the range
// a number must lie in is the page's business. GUI thread only.
#pragma once

#include <QLineEdit>

class CNumberEdit : public QLineEdit {
 public:
  explicit CNumberEdit(QWidget* parent = nullptr);
};
