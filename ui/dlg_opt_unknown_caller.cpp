#include "ui/dlg_opt_unknown_caller.h"

#include <QCheckBox>
#include <QGroupBox>

#include "foundation/settings.h"

namespace {
const CDlgOptGreeting::Settings kNonContacts = {
    false,
    &g_GreetingSoundMsgPathForNonAuth,
    &g_GreetingTextMsgAllowedForNonAuth,
    &g_GreetingTextMsgForNonAuth,
    &g_MaxRecordingDurationForNonAuthSec,
    &g_EMailNotificationAllowedForNonAuth,
    &g_EMailAttachmentAllowedForNonAuth,
    &g_AutoDelMsgAfterEMailAllowedForNonAuth,
    {1190, 1209, 1211, 1200, 1210, 1206, 1205, 1283, 1189, 1204, 1212, 1188, 1207, 1208, 1213}};
}  // namespace

CDlgOptUnknownCaller::CDlgOptUnknownCaller(COptionsSheetLink& sheet, QWidget* parent)
    : CDlgOptGreeting(sheet, kDialogId, "CDlgOptUnknownCaller", kNonContacts, parent) {
  Trace("OnInitDialog");
  Add<QGroupBox>(1005, 0, 5, 396, 54)->lower();
  m_ownSettings = Add<QCheckBox>(1202, 10, 18, 380, 20);
  m_noAnswer = Add<QCheckBox>(1203, 26, 38, 364, 20);
  connect(m_ownSettings, &QCheckBox::clicked, this, &CDlgOptUnknownCaller::OnCheckUseSettingsForNonAuthorizedCallers);
  connect(m_noAnswer, &QCheckBox::clicked, this, &CDlgOptUnknownCaller::OnCheckDisableAnsweringOfNonAuthorizedCallers);
  Localize();
  UpdateDlg();
}

void CDlgOptUnknownCaller::Localize() {
  SetText(1005, 670);
  SetText(1202, 671);
  SetText(1203, 672);
  CDlgOptGreeting::Localize();
}

bool CDlgOptUnknownCaller::GreetingControlsActive() const {
  return g_UseNonAuthorizedCallerSettings.Get() != 0 && g_DisableAnswerOfNonAuthCaller.Get() == 0;
}

void CDlgOptUnknownCaller::UpdateDlg() {
  m_ownSettings->setChecked(g_UseNonAuthorizedCallerSettings.Get() != 0);
  m_noAnswer->setChecked(g_DisableAnswerOfNonAuthCaller.Get() != 0);
  m_noAnswer->setEnabled(g_UseNonAuthorizedCallerSettings.Get() != 0);
  CDlgOptGreeting::UpdateDlg();
}

void CDlgOptUnknownCaller::OnCheckUseSettingsForNonAuthorizedCallers() {
  Trace("OnCheckUseSettingsForNonAuthorizedCallers");
  OnCheck(m_ownSettings, g_UseNonAuthorizedCallerSettings);
  UpdateDlg();
}

void CDlgOptUnknownCaller::OnCheckDisableAnsweringOfNonAuthorizedCallers() {
  Trace("OnCheckDisableAnsweringOfNonAuthorizedCallers");
  OnCheck(m_noAnswer, g_DisableAnswerOfNonAuthCaller);
  UpdateDlg();
}
