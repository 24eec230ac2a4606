// CButtonSSL: the owner-drawn button of the pages, the player and the option dialogs.
//
// Per-state colours (normal, hot, pressed or checked, disabled), an optional picture from an image
// list, a tooltip, a hover state, a flat look, and the check-box and radio-button behaviour that
// owner drawing would otherwise lose.
//
// Notifications keep the semantics the dialogs' handlers expect: SetCheck changes the state and
// repaints and notifies nobody; only a click by the user emits clicked(), after the check box has
// toggled or the radio button has checked itself and unchecked the rest of its group (the radio
// buttons of the same parent and group number). GUI thread only.
#pragma once

#include <QString>
#include <array>

#include "ui/controls/color_utils.h"
#include "ui/controls/image_list.h"
#include "ui/controls/odd_button.h"

class CButtonSSL : public COddButton {
 public:
  // Colour slots.
  enum ColorSlot {
    BTNST_COLOR_BK_IN = 0,
    BTNST_COLOR_FG_IN = 1,
    BTNST_COLOR_BK_HOT = 2,
    BTNST_COLOR_FG_HOT = 3,
    BTNST_COLOR_BK_PRESSED = 4,
    BTNST_COLOR_FG_PRESSED = 5,
    BTNST_COLOR_BK_DISABLED = 6,
    BTNST_COLOR_FG_DISABLED = 7,
    BTNST_COLOR_BK_MODE = 8,  // -1: fill the button with its state's background colour
    BTNST_COLOR_SLOT_9 = 9,
  };
  static constexpr int kColorSlots = 10;
  // Style flags.
  static constexpr int kStyleFlat = 1;        // a frame only while hovered; never the default button
  static constexpr int kStyleMenu = 2;        // a drop-down part on the right
  static constexpr int kStyleAutoSize = 4;    // sizes itself to its content
  // Image alignment flags (SetStateAndRedraw).
  static constexpr int kAlignHCenter = 1;
  static constexpr int kAlignRight = 2;
  static constexpr int kAlignVCenter = 4;
  static constexpr int kAlignBottom = 8;
  // Drawing states.
  enum State { kNormal = 0, kHot = 1, kPressed = 2, kDisabled = 3 };

  explicit CButtonSSL(QWidget* parent = nullptr, int buttonType = BS_PUSHBUTTON);

  // Sets a colour slot (0..9); a slot out of range returns 0 and changes nothing.
  int SetColor(int slot, COLORREF colour, bool redraw = true);
  // The slot's colour; 0 for a slot out of range.
  COLORREF GetColor(int slot) const;
  void SetButtonStyle(int flags);
  int GetButtonStyle() const { return m_styleFlags; }
  // The picture's alignment flags; the pages pass 5 (centred both ways).
  void SetStateAndRedraw(int alignFlags);
  int GetImageAlign() const { return m_alignFlags; }
  // Uses the picture at `index` of the list as the button's picture.
  void SetImageList(const CImageList& list, int index);
  // The tooltip's text, shown only while active; it is the button's name for a screen reader too.
  void SetTooltipText(const QString& text, bool activate = true);
  QString GetTooltipText() const { return m_tooltip; }
  // Check boxes and radio buttons: sets or clears the checked state and repaints; notifies nobody.
  void SetCheck(bool checked);
  // The checked state for check boxes and radio buttons, else 0.
  int GetCheck() const;
  // Radio buttons of one parent with the same group number form a group (default 0).
  void SetGroup(int group) { m_group = group; }
  int Group() const { return m_group; }
  // The state the button draws in now.
  State DrawState() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void nextCheckState() override {}

 private:
  void OnClicked();
  void SizeToContent();

  std::array<COLORREF, kColorSlots> m_colors{};
  int m_styleFlags = kStyleFlat;
  int m_alignFlags = 0;
  int m_margin = 5;
  bool m_over = false;
  bool m_checked = false;
  int m_group = 0;
  CImageList m_image;
  QString m_tooltip;
};
