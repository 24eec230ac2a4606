#include "ui/controls/odd_button.h"

COddButton::COddButton(QWidget* parent, int buttonType) : QPushButton(parent) {
  m_buttonType = buttonType == BS_DEFPUSHBUTTON ? BS_PUSHBUTTON : buttonType;
  if (IsPushButton()) {
    setAutoDefault(true);
    if (buttonType == BS_DEFPUSHBUTTON) setDefault(true);
  } else {
    m_canBeDefault = false;
    setAutoDefault(false);
  }
}

void COddButton::EnableDefault(bool canBeDefault) {
  m_canBeDefault = canBeDefault && IsPushButton();
  setAutoDefault(m_canBeDefault);
  if (!m_canBeDefault) setDefault(false);
}
