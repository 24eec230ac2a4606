// The conversation-recording child of the options page: automatic or manual recording, how the
// other party is told (beep, chat texts at start and stop), and stereo or mono files.
#pragma once

#include "ui/options/option_child.h"

class CButtonSSL;
class QCheckBox;
class QGroupBox;
class QPlainTextEdit;
class QRadioButton;

class CDlgOptConversationRecordGen : public COptionChild {
 public:
  static constexpr int kDialogId = 207;
  // The longest chat text the edits take, a line break counting two as in the settings file.
  static constexpr int kMaxTextLength = 250;

  CDlgOptConversationRecordGen(COptionsPageSite& site, QWidget* parent);

  void Localize() override;
  void UpdateDlg() override;

  void OnRadioRecCallModeAuto();
  void OnRadioRecCallModeManual();
  void OnCheckConvRecAudioNotificationEnabled();
  void OnCheckConvRecTextNotificationEnabledStart();
  void OnCheckConvRecTextNotificationEnabledStop();
  void OnChangeEditTextNotificationMsgStart();
  void OnChangeEditTextNotificationMsgStop();
  void OnButtonResetTextNotificationMsgStart();
  void OnButtonResetTextNotificationMsgStop();
  void OnRadioConvAudioFileModeStereo();
  void OnRadioConvAudioFileModeMono();

 private:
  // The controls in their frames and rows.
  void Arrange(QGroupBox* modeGroup, QGroupBox* noticeGroup, QGroupBox* fileGroup);
  void ShowLegalWarning();
  void OnTextChanged(QPlainTextEdit* edit, COptionText& option);

  QRadioButton* m_auto;
  QRadioButton* m_manual;
  QCheckBox* m_beep;
  QCheckBox* m_startSwitch;
  CMultiLineEdit* m_startText;
  CButtonSSL* m_startReset;
  QCheckBox* m_stopSwitch;
  CMultiLineEdit* m_stopText;
  CButtonSSL* m_stopReset;
  QRadioButton* m_stereo;
  QRadioButton* m_mono;
};
