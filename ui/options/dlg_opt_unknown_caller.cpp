#include "ui/options/dlg_opt_unknown_caller.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "foundation/settings.h"

namespace {
const CDlgOptGreeting::Settings kNonContacts = {
    .forContacts = false,
    .headerText = 670,
    .extraGreetingRows = 0,
    .playHandler = "OnButtonGreetingPlay",
    .recordHandler = "OnButtonGreetingRecord",
    .handlers = {.browse = "OnButtonGreetingBrowseWhenNonAuthorizedCaller",
                 .play = "OnButtonGreetingPlayWhenNonAuthorizedCaller",
                 .record = "OnButtonGreetingRecordWhenNonAuthorizedCaller",
                 .textSwitch = "OnCheckGreetingTextMsgEnabledWhenNonAuthorizedCaller",
                 .text = "OnChangeEditGreetingTextMsgWhenNonAuthorizedCaller",
                 .reset = "OnButtonResetTextGreetingWhenNonAuthorizedCaller",
                 .length = "OnChangeEditMaxRecordingDurationWhenNonAuthorizedCaller",
                 .mail = "OnCheckEMailNotificationAllowedWhenNonAuthorizedCallers",
                 .attach = "OnCheckEMailAttachemtnAllowedWhenNonAuthorizedCallers",
                 .deleteAfterMail = "OnCheckAutoDeleteAfterEmailAllowWhenNonAuthorizedCallers"},
    .voiceFilter = u"Sounds (*.wav *.mp3);;All Files (*)",
    .voicePath = &g_GreetingSoundMsgPathForNonAuth,
    .textAllowed = &g_GreetingTextMsgAllowedForNonAuth,
    .text = &g_GreetingTextMsgForNonAuth,
    .maxDuration = &g_MaxRecordingDurationForNonAuthSec,
    .mailAllowed = &g_EMailNotificationAllowedForNonAuth,
    .attachAllowed = &g_EMailAttachmentAllowedForNonAuth,
    .deleteAfterMail = &g_AutoDelMsgAfterEMailAllowedForNonAuth,
    .ids = {.header = 1005, .group = 1190, .voiceLabel = 1209, .voicePath = 1211, .browse = 1200, .play = 1201,
            .record = 1251, .textLabel = 1210, .textSwitch = 1206, .text = 1205, .reset = 1283, .lengthGroup = 1189,
            .lengthEdit = 1204, .lengthLabel = 1212, .mailGroup = 1188, .mail = 1207, .attach = 1208,
            .deleteAfterMail = 1213}};
constexpr int kIndent = 16;
}  // namespace

CDlgOptUnknownCaller::CDlgOptUnknownCaller(COptionsPageSite& site, QWidget* parent)
    : CDlgOptGreeting(site, kDialogId, "CDlgOptUnknownCaller", kNonContacts, parent) {
  Trace("OnInitDialog");
  m_ownSettings = Add<QCheckBox>(1202, "ownSettings");
  m_noAnswer = Add<QCheckBox>(1203, "noAnswer");
  // Not answering at all is a choice within the own settings: it stands in under their switch.
  HeaderRows()->addWidget(m_ownSettings);
  auto* noAnswer = new QHBoxLayout;
  noAnswer->addSpacing(kIndent);
  noAnswer->addWidget(m_noAnswer, 1);
  HeaderRows()->addLayout(noAnswer);
  connect(m_ownSettings, &QCheckBox::clicked, this, &CDlgOptUnknownCaller::OnCheckUseSettingsForNonAuthorizedCallers);
  connect(m_noAnswer, &QCheckBox::clicked, this, &CDlgOptUnknownCaller::OnCheckDisableAnsweringOfNonAuthorizedCallers);
  Localize();
  UpdateDlg();
}

void CDlgOptUnknownCaller::Localize() {
  CDlgOptGreeting::Localize();
  SetText(1202, 671);
  SetText(1203, 672);
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
