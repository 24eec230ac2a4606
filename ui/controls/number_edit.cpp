#include "ui/controls/number_edit.h"

#include <QValidator>

namespace {

// Only the ASCII digits: other scripts' digits would be shown but not read as a number.
class DigitsOnly : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (const QChar c : input) {
      if (c < u'0' || c > u'9') return Invalid;
    }
    return Acceptable;
  }
};

}  // namespace

CNumberEdit::CNumberEdit(QWidget* parent) : QLineEdit(parent) { setValidator(new DigitsOnly(this)); }
