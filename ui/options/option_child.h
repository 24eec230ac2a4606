// The behaviour every option child of the options page shares: the handler rules that write a
// control's value into its option variable and mark the page modified, the number limits, and the
// multi-line texts kept with CR LF line ends in the settings.
//
// A child edits the option variables in place; it keeps no copy. Its handlers follow the
// notification rules of the controls: they are connected to the signals that only the user raises
// (clicked, activated), except the edits, whose text change notifies also when the program sets it
// (UpdateDlg sets the setting's own value back, which the rule finds equal and leaves alone).
#pragma once

#include <QPlainTextEdit>
#include <initializer_list>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/option_value.h"
#include "ui/controls/multi_line_edit.h"

class QAbstractButton;
class QComboBox;
class QLineEdit;
class COptionsPageSite;
class CSheetServices;

class COptionChild : public QWidget {
 public:
  // The dynamic property that carries a control's id.
  static constexpr const char* kControlIdProperty = "qavControlId";

  COptionChild(COptionsPageSite& site, int dialogId, const char* className, QWidget* parent);

  int DialogId() const { return m_dialogId; }
  // Texts from the language (does nothing before the controls exist).
  virtual void Localize() = 0;
  // Controls from the option variables; never marks the page modified.
  virtual void UpdateDlg() = 0;
  // The page's refresh request: UpdateDlg.
  void OnUpdateDlg();
  // Stops a greeting being played or recorded; only the greeting children have any.
  virtual void OnStopAudio() {}

  // Multi-line edits show "\n"; the settings keep "\r\n" (so they compare equal to the language's
  // defaults).
  static std::u16string FromEditText(const QString& text);
  static QString ToEditText(const std::u16string& text);
  static QString Lang(int id);

 protected:
  void Trace(const char* operation) const;
  const char* ClassName() const { return m_className; }
  void SetModified();
  COptionsPageSite& Site() { return m_site; }
  // The program's services: what the child asks of the program goes there, by name.
  CSheetServices& Services();

  // Rule 2: a check box's state becomes the setting, and the page is modified.
  void OnCheck(const QAbstractButton* box, COptionInt& option);
  // Rule 3: a radio's fixed value; only a change marks the page modified.
  void OnRadio(COptionInt& option, int value);
  // Rule 4: the edit's whole text; only a change (exact comparison) marks the page modified.
  // Returns whether the setting changed.
  bool OnTextEdit(const std::u16string& text, COptionText& option);
  // Rule 5: a number up to the limit (inclusive, compared unsigned, so negative numbers are
  // refused too); beyond it the message, and the edit shows the setting again. Only a number
  // other than the setting's is judged: the setting shown by the page (a stored one beyond the
  // limit too) asks nothing.
  void OnNumberEdit(QLineEdit* edit, COptionInt& option, uint32_t limit, const std::u16string& message,
                    uint32_t boxType);
  // Rule 6: the selected line's item data; only a change marks the page modified.
  void OnCombo(const QComboBox* combo, COptionInt& option);

  // Shows or hides and enables or disables a control together (the advanced-mode rule).
  static void ShowAndEnable(QWidget* control, bool on);
  // Whether the path lies on the program's file system (its "drive" in portable mode).
  static bool IsOnAppDrive(const std::u16string& path);
  static bool AdvancedMode();
  static bool ScreenReaderMode();
  // A control of the child: its object name says what it is (tests and tools find it by that),
  // and its control id stays on it for the language texts (SetText) and the id-keyed lookups.
  // The child puts it in a layout; nothing is placed in pixels.
  template <class Control>
  Control* Add(int id, const char* name) {
    auto* control = new Control(this);
    control->setObjectName(QString::fromLatin1(name));
    control->setProperty(kControlIdProperty, id);
    return control;
  }
  // A number edit as wide as that many digits beside its frame and margins, in its font now.
  static void FitToDigits(QLineEdit* edit, int digits);
  // The child's control of that id, wherever it sits in the child's layout; null when none.
  QWidget* ControlById(int id) const;
  // Sets a control's text from a language string (labels, boxes, buttons, group titles).
  void SetText(int id, int stringId);
  // The icon buttons at the end of a row, kept together: side by side outside screen-reader mode,
  // on lines of their own below the row in it (CIconButtonBar). The child places the bar in its
  // row's grid (CIconButtonBar::PlaceIn).
  class CIconButtonBar* AddIconBar(std::initializer_list<class CButtonSSL*> buttons);
  // The icon buttons' background: the themed tab body colour, else the button face.
  void ColourIconButton(class CButtonSSL* button, int image);
  // An icon button's tooltip; in screen-reader mode also its caption, else it shows only its image.
  void SetIconButtonTip(class CButtonSSL* button, int stringId);
  // A multi-line edit whose user may put in at most maxLength units, a line break counting two as
  // in the settings file (CMultiLineEdit), and that notifies the handler of each change.
  template <class Handler>
  CMultiLineEdit* AddTextEdit(int id, const char* name, int maxLength, Handler handler);

 private:
  // Puts each icon bar where the current mode wants it.
  void ArrangeIconBars();

  COptionsPageSite& m_site;
  int m_dialogId;
  const char* m_className;
  std::vector<class CIconButtonBar*> m_iconBars;
};

template <class Handler>
CMultiLineEdit* COptionChild::AddTextEdit(int id, const char* name, int maxLength, Handler handler) {
  auto* edit = Add<CMultiLineEdit>(id, name);
  edit->SetLimit(maxLength);
  QObject::connect(edit, &QPlainTextEdit::textChanged, this, [edit, handler] {
    if (edit->CutUserExcess()) return;  // notifies again with the text that stays
    handler();
  });
  return edit;
}

// Leading decimal digits with an optional sign, as the program's text-to-number does: "" and
// "abc" give 0, "12abc" gives 12.
int32_t DecimalTextToInt(const QString& text);
