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
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/option_value.h"
#include "ui/controls/multi_line_edit.h"
#include "ui/controls/number_edit.h"

class QAbstractButton;
class QComboBox;
class QLineEdit;
class COptionsSheetLink;

class COptionChild : public QWidget {
 public:
  COptionChild(COptionsSheetLink& sheet, int dialogId, const char* className, QWidget* parent);

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
  COptionsSheetLink& Sheet() { return m_sheet; }

  // Rule 2: a check box's state becomes the setting, and the page is modified.
  void OnCheck(const QAbstractButton* box, COptionInt& option);
  // Rule 3: a radio's fixed value; only a change marks the page modified.
  void OnRadio(COptionInt& option, int value);
  // Rule 4: the edit's whole text; only a change (exact comparison) marks the page modified.
  // Returns whether the setting changed.
  bool OnTextEdit(const std::u16string& text, COptionText& option);
  // Rule 5: a number up to the limit (inclusive, compared unsigned, so negative numbers are
  // refused too); beyond it the message, and the edit shows the setting again.
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
  // A control of the child, named by its control id, placed in pixels.
  template <class Control>
  Control* Add(int id, int x, int y, int w, int h) {
    auto* control = new Control(this);
    control->setObjectName(QString::number(id));
    control->setGeometry(x, y, w, h);
    return control;
  }
  // Sets a control's text from a language string (labels, boxes, buttons, group titles).
  void SetText(int id, int stringId);
  // Places a control anew after the child was built (a row laid out from its texts): that becomes
  // the control's own place, the one the screen-reader lines start from.
  void PlaceControl(QWidget* control, const QRect& geometry);
  // The icon buttons' background: the themed tab body colour, else the button face.
  void ColourIconButton(class CButtonSSL* button, int image);
  // An icon button's tooltip; in screen-reader mode also its caption, else it shows only its image.
  void SetIconButtonTip(class CButtonSSL* button, int stringId);
  // A multi-line edit whose user may put in at most maxLength units, a line break counting two as
  // in the settings file (CMultiLineEdit), and that notifies the handler of each change.
  template <class Handler>
  CMultiLineEdit* AddTextEdit(int id, int x, int y, int w, int h, int maxLength, Handler handler);

 private:
  // A caption is a whole sentence, far wider than an icon: in screen-reader mode each row of icon
  // buttons gets lines of its own below the row, the buttons as wide as their captions, and what
  // lies below moves down (the frames around grow). Outside it every control is where the child
  // placed it.
  void FitIconButtons();
  // The row's buttons (sorted by x) laid into lines from `left` to `right`; returns the lines' height.
  int PlaceIconButtonLines(const std::vector<class CButtonSSL*>& row, int left, int right, int top) const;
  QRect DesignGeometry(QWidget* control);
  bool eventFilter(QObject* watched, QEvent* event) override;

  struct DesignPlace {
    QPointer<QWidget> control;
    QRect geometry;
  };
  COptionsSheetLink& m_sheet;
  int m_dialogId;
  const char* m_className;
  // Where the child put its controls and its own size, before any screen-reader lines.
  std::vector<DesignPlace> m_design;
  QSize m_designSize;
  QSize m_fittedSize;
  bool m_fitting = false;
};

template <class Handler>
CMultiLineEdit* COptionChild::AddTextEdit(int id, int x, int y, int w, int h, int maxLength, Handler handler) {
  auto* edit = Add<CMultiLineEdit>(id, x, y, w, h);
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
