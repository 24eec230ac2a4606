// The answering-machine child of the options page: answering on or off, the answer delays, muting,
// what to keep after the user takes a call over, and the test call from the call client's test
// contact.
#pragma once

#include <optional>

#include "ui/controls/wait_cursor.h"
#include "ui/options/option_child.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CDlgOptAnswerMachineGen : public COptionChild {
 public:
  static constexpr int kDialogId = 149;
  ~CDlgOptAnswerMachineGen() override;

  CDlgOptAnswerMachineGen(COptionsPageSite& site, QWidget* parent);

  void Localize() override;
  void UpdateDlg() override;
  // The dialog was drawn for a narrower font than a desktop's: the two "answer after" rows are laid
  // out from their texts, so no caption is cut, and the child widens when a row needs more room.
  // The controls in their rows and groups.
  void Arrange();

  void OnCheckAnswerAllowed();
  void OnCheckAnswerWhenOnline();
  void OnCheckAnswerWhenAway();
  void OnChangeEditSecondsToAnswerCallOnline();
  void OnChangeEditSecondsToAnswerCallAway();
  void OnSelchangeComboTakeControlUserOption();
  void OnStartTestCallFromEcho123();

 private:
  class CTitleGroupBox* m_frame;
  QCheckBox* m_answerAllowed;
  QCheckBox* m_answerOnline;
  QLineEdit* m_secondsOnline;
  QLabel* m_secondsOnlineLabel;
  QCheckBox* m_answerAway;
  QLineEdit* m_secondsAway;
  QLabel* m_secondsAwayLabel;
  QGroupBox* m_muteGroup;
  QRadioButton* m_muteRadios[3];
  QGroupBox* m_takeControlGroup;
  QLabel* m_takeControlLabel;
  QComboBox* m_takeControl;
  // The wait cursor of a test call's pause, while it lasts.
  std::optional<WaitCursor> m_testCallPause;
  QLabel* m_testCallLink;
  QPushButton* m_testCallButton;
};
