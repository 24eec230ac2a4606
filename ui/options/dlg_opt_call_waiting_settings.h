// The call-waiting child of the options page: whether a second incoming call is rejected, with or
// without a polite chat text, while the answering machine or while the user handles the first.
#pragma once

#include "ui/options/option_child.h"

class CButtonSSL;
class QCheckBox;
class QGroupBox;
class QPlainTextEdit;

class CDlgOptCallWaitingSettings : public COptionChild {
 public:
  static constexpr int kDialogId = 348;
  // The replies get no limit of the page's own: the edit's own, which the settings read back whole.
  static constexpr int kMaxTextLength = CMultiLineEdit::kDefaultLimit;

  CDlgOptCallWaitingSettings(COptionsPageSite& site, QWidget* parent);

  void Localize() override;
  void UpdateDlg() override;

  void OnCheckRejectCallWait4QAVEnabled();
  void OnCheckRejectCallWaitTextMsg4QAVEnabled();
  void OnChangeEditRejectCallWaitTextMsg4QAVStr();
  void OnButtonResetRejectTextMessage4QAV();
  void OnCheckRejectCallWait4UserEnabled();
  void OnCheckRejectCallWaitTextMsg4UserEnabled();
  void OnChangeEditRejectCallWaitTextMsg4UserStr();
  void OnButtonResetRejectTextMessage4User();

 private:
  // The call-waiting tip has been seen enough once the user chose here.
  static void NoteTipSeen();
  // One case's frame: the reject switch, the reply's switch, its text and its reset button.
  void ArrangeCase(QGroupBox* group, QCheckBox* reject, QCheckBox* replySwitch, CMultiLineEdit* reply,
                   CButtonSSL* reset);

  QCheckBox* m_qavReject;
  QCheckBox* m_qavTextSwitch;
  CMultiLineEdit* m_qavText;
  CButtonSSL* m_qavReset;
  QCheckBox* m_userReject;
  QCheckBox* m_userTextSwitch;
  CMultiLineEdit* m_userText;
  CButtonSSL* m_userReset;
};
