// COddButton: the base of the owner-drawn buttons. It records the kind of button it was made as
// (push, default push, check box, radio button) and keeps a push button's default-button
// behaviour in dialogs, which owner drawing would otherwise lose: a button that may be default
// becomes the dialog's default while it has the focus (Qt's auto-default), and the one created as
// the default push button is default from the start. Check boxes and radio buttons are never
// default. GUI thread only.
#pragma once

#include <QPushButton>

// Button kinds, as the dialogs that create the buttons name them.
inline constexpr int BS_PUSHBUTTON = 0;
inline constexpr int BS_DEFPUSHBUTTON = 1;
inline constexpr int BS_CHECKBOX = 2;
inline constexpr int BS_AUTOCHECKBOX = 3;
inline constexpr int BS_RADIOBUTTON = 4;
inline constexpr int BS_AUTORADIOBUTTON = 9;

class COddButton : public QPushButton {
 public:
  explicit COddButton(QWidget* parent = nullptr, int buttonType = BS_PUSHBUTTON);

  // The kind recorded at creation (BS_DEFPUSHBUTTON is kept as a push button that is default).
  int GetButtonType() const { return m_buttonType; }
  bool IsCheckBox() const { return m_buttonType == BS_CHECKBOX || m_buttonType == BS_AUTOCHECKBOX; }
  bool IsRadioButton() const { return m_buttonType == BS_RADIOBUTTON || m_buttonType == BS_AUTORADIOBUTTON; }
  bool IsPushButton() const { return !IsCheckBox() && !IsRadioButton(); }

  // Whether the button may show as the default button; a button that may not is made not default.
  void EnableDefault(bool canBeDefault);
  bool CanBeDefault() const { return m_canBeDefault; }
  bool IsDefault() const { return isDefault(); }

 private:
  int m_buttonType = BS_PUSHBUTTON;
  bool m_canBeDefault = true;
};
