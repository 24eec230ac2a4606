#include "ui/options/dlg_opt_call_waiting_settings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPlainTextEdit>

#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "ui/controls/button_ssl.h"

namespace {
constexpr int kResetImage = 4;
}

CDlgOptCallWaitingSettings::CDlgOptCallWaitingSettings(COptionsSheetLink& sheet, QWidget* parent)
    : COptionChild(sheet, kDialogId, "CDlgOptCallWaitingSettings", parent) {
  Trace("OnInitDialog");
  resize(400, 340);
  Add<QGroupBox>(1269, 0, 5, 396, 330);
  Add<QGroupBox>(1277, 8, 26, 380, 146);
  m_qavReject = Add<QCheckBox>(1270, 18, 46, 360, 22);
  m_qavTextSwitch = Add<QCheckBox>(1272, 32, 70, 346, 22);
  m_qavText = AddTextEdit(1271, 32, 94, 310, 70, kMaxTextLength, [this] { OnChangeEditRejectCallWaitTextMsg4QAVStr(); });
  m_qavReset = Add<CButtonSSL>(1285, 350, 94, 28, 28);
  Add<QGroupBox>(1278, 8, 178, 380, 150);
  m_userReject = Add<QCheckBox>(1273, 18, 198, 360, 22);
  m_userTextSwitch = Add<QCheckBox>(1276, 32, 222, 346, 22);
  m_userText = AddTextEdit(1275, 32, 246, 310, 74, kMaxTextLength, [this] { OnChangeEditRejectCallWaitTextMsg4UserStr(); });
  m_userReset = Add<CButtonSSL>(1284, 350, 246, 28, 28);
  ColourIconButton(m_qavReset, kResetImage);
  ColourIconButton(m_userReset, kResetImage);
  connect(m_qavReject, &QCheckBox::clicked, this, &CDlgOptCallWaitingSettings::OnCheckRejectCallWait4QAVEnabled);
  connect(m_qavTextSwitch, &QCheckBox::clicked, this, &CDlgOptCallWaitingSettings::OnCheckRejectCallWaitTextMsg4QAVEnabled);
  connect(m_qavReset, &CButtonSSL::clicked, this, &CDlgOptCallWaitingSettings::OnButtonResetRejectTextMessage4QAV);
  connect(m_userReject, &QCheckBox::clicked, this, &CDlgOptCallWaitingSettings::OnCheckRejectCallWait4UserEnabled);
  connect(m_userTextSwitch, &QCheckBox::clicked, this, &CDlgOptCallWaitingSettings::OnCheckRejectCallWaitTextMsg4UserEnabled);
  connect(m_userReset, &CButtonSSL::clicked, this, &CDlgOptCallWaitingSettings::OnButtonResetRejectTextMessage4User);
  Localize();
  UpdateDlg();
}

void CDlgOptCallWaitingSettings::Localize() {
  Trace("Localize");
  const std::pair<int, int> texts[] = {{1269, 750}, {1277, 752}, {1270, 751}, {1272, 753},
                                       {1278, 754}, {1273, 751}, {1276, 753}};
  for (const auto& [id, text] : texts) SetText(id, text);
  SetIconButtonTip(m_qavReset, 755);
  SetIconButtonTip(m_userReset, 755);
}

void CDlgOptCallWaitingSettings::UpdateDlg() {
  Trace("UpdateDlg");
  const bool qav = g_RejectCallWaitingQAVEnabled.Get() != 0;
  const bool qavText = qav && g_RejectCallWaitingQAVTextEnabled.Get() != 0;
  const bool user = g_RejectCallWaitingUserEnabled.Get() != 0;
  const bool userText = user && g_RejectCallWaitingUserTextEnabled.Get() != 0;
  m_qavReject->setChecked(qav);
  m_qavTextSwitch->setChecked(g_RejectCallWaitingQAVTextEnabled.Get() != 0);
  m_qavTextSwitch->setEnabled(qav);
  m_qavText->setPlainText(ToEditText(g_RejectCallWaitingQAVTextMsg.Get()));
  m_qavText->setEnabled(qavText);
  m_qavReset->setEnabled(qavText);
  m_userReject->setChecked(user);
  m_userTextSwitch->setChecked(g_RejectCallWaitingUserTextEnabled.Get() != 0);
  m_userTextSwitch->setEnabled(user);
  m_userText->setPlainText(ToEditText(g_RejectCallWaitingUserTextMsg.Get()));
  m_userText->setEnabled(userText);
  m_userReset->setEnabled(userText);
  SetIconButtonTip(m_qavReset, 755);
  SetIconButtonTip(m_userReset, 755);
}

void CDlgOptCallWaitingSettings::NoteTipSeen() {
  if (static_cast<uint32_t>(g_CallWaitingInfoTipShowedCount.Get()) < 3) g_CallWaitingInfoTipShowedCount = 2;
}

void CDlgOptCallWaitingSettings::OnCheckRejectCallWait4QAVEnabled() {
  Trace("OnCheckRejectCallWait4QAVEnabled");
  OnCheck(m_qavReject, g_RejectCallWaitingQAVEnabled);
  UpdateDlg();
  NoteTipSeen();
}

void CDlgOptCallWaitingSettings::OnCheckRejectCallWaitTextMsg4QAVEnabled() {
  Trace("OnCheckRejectCallWaitTextMsg4QAVEnabled");
  OnCheck(m_qavTextSwitch, g_RejectCallWaitingQAVTextEnabled);
  UpdateDlg();
}

void CDlgOptCallWaitingSettings::OnChangeEditRejectCallWaitTextMsg4QAVStr() {
  Trace("OnChangeEditRejectCallWaitTextMsg4QAVStr");
  OnTextEdit(FromEditText(m_qavText->toPlainText()), g_RejectCallWaitingQAVTextMsg);
}

void CDlgOptCallWaitingSettings::OnButtonResetRejectTextMessage4QAV() {
  Trace("OnButtonResetRejectTextMessage4QAV");
  g_RejectCallWaitingQAVTextMsg = GetLangString(765);
  SetModified();
  UpdateDlg();
}

void CDlgOptCallWaitingSettings::OnCheckRejectCallWait4UserEnabled() {
  Trace("OnCheckRejectCallWait4UserEnabled");
  OnCheck(m_userReject, g_RejectCallWaitingUserEnabled);
  UpdateDlg();
  NoteTipSeen();
}

void CDlgOptCallWaitingSettings::OnCheckRejectCallWaitTextMsg4UserEnabled() {
  Trace("OnCheckRejectCallWaitTextMsg4UserEnabled");
  OnCheck(m_userTextSwitch, g_RejectCallWaitingUserTextEnabled);
  UpdateDlg();
}

void CDlgOptCallWaitingSettings::OnChangeEditRejectCallWaitTextMsg4UserStr() {
  Trace("OnChangeEditRejectCallWaitTextMsg4UserStr");
  OnTextEdit(FromEditText(m_userText->toPlainText()), g_RejectCallWaitingUserTextMsg);
}

void CDlgOptCallWaitingSettings::OnButtonResetRejectTextMessage4User() {
  Trace("OnButtonResetRejectTextMessage4User");
  g_RejectCallWaitingUserTextMsg = GetLangString(766);
  SetModified();
  UpdateDlg();
}
