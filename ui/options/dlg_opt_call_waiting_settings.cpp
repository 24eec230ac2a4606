#include "ui/options/dlg_opt_call_waiting_settings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "ui/controls/button_ssl.h"
#include "ui/options/icon_button_bar.h"

namespace {
constexpr int kResetImage = 4;
// The reply's rows stand in under the reject switch they depend on.
constexpr int kIndent = 16;
// Lines a reply shows; a longer one scrolls.
constexpr int kReplyLines = 4;
}  // namespace

CDlgOptCallWaitingSettings::CDlgOptCallWaitingSettings(COptionsPageSite& site, QWidget* parent)
    : COptionChild(site, kDialogId, "CDlgOptCallWaitingSettings", parent) {
  Trace("OnInitDialog");
  auto* frame = Add<QGroupBox>(1269, "rejectCallWaitingFrame");
  auto* qavGroup = Add<QGroupBox>(1277, "whileQavHandlesGroup");
  m_qavReject = Add<QCheckBox>(1270, "rejectWhileQavHandles");
  m_qavTextSwitch = Add<QCheckBox>(1272, "qavReplySwitch");
  m_qavText = AddTextEdit(1271, "qavReplyText", kMaxTextLength, [this] { OnChangeEditRejectCallWaitTextMsg4QAVStr(); });
  m_qavReset = Add<CButtonSSL>(1285, "qavReplyReset");
  auto* userGroup = Add<QGroupBox>(1278, "whileUserHandlesGroup");
  m_userReject = Add<QCheckBox>(1273, "rejectWhileUserHandles");
  m_userTextSwitch = Add<QCheckBox>(1276, "userReplySwitch");
  m_userText = AddTextEdit(1275, "userReplyText", kMaxTextLength, [this] { OnChangeEditRejectCallWaitTextMsg4UserStr(); });
  m_userReset = Add<CButtonSSL>(1284, "userReplyReset");
  ArrangeCase(qavGroup, m_qavReject, m_qavTextSwitch, m_qavText, m_qavReset);
  ArrangeCase(userGroup, m_userReject, m_userTextSwitch, m_userText, m_userReset);
  auto* cases = new QVBoxLayout(frame);
  cases->addWidget(qavGroup);
  cases->addWidget(userGroup);
  cases->addStretch(1);  // the frame reaches the page's foot, as the e-mail one does
  auto* child = new QVBoxLayout(this);
  child->setContentsMargins(0, 0, 0, 0);
  child->addWidget(frame);
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

void CDlgOptCallWaitingSettings::ArrangeCase(QGroupBox* group, QCheckBox* reject, QCheckBox* replySwitch,
                                             CMultiLineEdit* reply, CButtonSSL* reset) {
  // The reply's switch and text stand in under the reject switch they depend on, the reset button
  // at the text's right; in screen-reader mode the button takes the grid row below, under the text.
  auto* grid = new QGridLayout(group);
  grid->setColumnMinimumWidth(0, kIndent);
  grid->setColumnStretch(1, 1);
  grid->addWidget(reject, 0, 0, 1, -1);
  grid->addWidget(replySwitch, 1, 1, 1, -1);
  reply->SetVisibleLines(kReplyLines);
  grid->addWidget(reply, 2, 1);
  AddIconBar({reset})->PlaceIn(grid, 2, 2, 1);
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
  g_RejectCallWaitingQAVTextMsg = GetLangString(IDS_DEFAULT_MESSAGE_REJECT_CALL_WHEN_QAV_IS_ACTIVE);
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
  g_RejectCallWaitingUserTextMsg = GetLangString(IDS_DEFAULT_MESSAGE_REJECT_CALL_WHEN_USER_IS_ACTIVE);
  SetModified();
  UpdateDlg();
}
