#include "ui/options/dlg_opt_conversation_record_gen.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "ui/controls/button_ssl.h"
#include "ui/options/icon_button_bar.h"

namespace {
constexpr int kResetImage = 4;
// The notice texts stand in under the switch they depend on.
constexpr int kIndent = 16;
}  // namespace

CDlgOptConversationRecordGen::CDlgOptConversationRecordGen(COptionsPageSite& site, QWidget* parent)
    : COptionChild(site, kDialogId, "CDlgOptConversationRecordGen", parent) {
  Trace("OnInitDialog");
  auto* modeGroup = Add<QGroupBox>(1179, "recordingModeGroup");
  m_auto = Add<QRadioButton>(1193, "recordAutomatically");
  m_manual = Add<QRadioButton>(1192, "recordManually");
  auto* modes = new QButtonGroup(this);
  modes->addButton(m_auto);
  modes->addButton(m_manual);

  auto* noticeGroup = Add<QGroupBox>(1241, "noticeGroup");
  m_beep = Add<QCheckBox>(1234, "audioBeep");
  m_startSwitch = Add<QCheckBox>(1235, "startTextSwitch");
  m_startText = AddTextEdit(1237, "startText", kMaxTextLength, [this] { OnChangeEditTextNotificationMsgStart(); });
  m_startReset = Add<CButtonSSL>(1286, "startTextReset");
  m_stopSwitch = Add<QCheckBox>(1236, "stopTextSwitch");
  m_stopText = AddTextEdit(1240, "stopText", kMaxTextLength, [this] { OnChangeEditTextNotificationMsgStop(); });
  m_stopReset = Add<CButtonSSL>(1287, "stopTextReset");

  auto* fileGroup = Add<QGroupBox>(1242, "audioFileGroup");
  m_stereo = Add<QRadioButton>(1238, "stereoFile");
  m_mono = Add<QRadioButton>(1239, "monoFile");
  auto* fileModes = new QButtonGroup(this);
  fileModes->addButton(m_stereo);
  fileModes->addButton(m_mono);
  Arrange(modeGroup, noticeGroup, fileGroup);

  ColourIconButton(m_startReset, kResetImage);
  ColourIconButton(m_stopReset, kResetImage);
  connect(m_auto, &QRadioButton::clicked, this, &CDlgOptConversationRecordGen::OnRadioRecCallModeAuto);
  connect(m_manual, &QRadioButton::clicked, this, &CDlgOptConversationRecordGen::OnRadioRecCallModeManual);
  connect(m_beep, &QCheckBox::clicked, this, &CDlgOptConversationRecordGen::OnCheckConvRecAudioNotificationEnabled);
  connect(m_startSwitch, &QCheckBox::clicked, this, &CDlgOptConversationRecordGen::OnCheckConvRecTextNotificationEnabledStart);
  connect(m_stopSwitch, &QCheckBox::clicked, this, &CDlgOptConversationRecordGen::OnCheckConvRecTextNotificationEnabledStop);
  connect(m_startReset, &CButtonSSL::clicked, this, &CDlgOptConversationRecordGen::OnButtonResetTextNotificationMsgStart);
  connect(m_stopReset, &CButtonSSL::clicked, this, &CDlgOptConversationRecordGen::OnButtonResetTextNotificationMsgStop);
  connect(m_stereo, &QRadioButton::clicked, this, &CDlgOptConversationRecordGen::OnRadioConvAudioFileModeStereo);
  connect(m_mono, &QRadioButton::clicked, this, &CDlgOptConversationRecordGen::OnRadioConvAudioFileModeMono);
  Localize();
  UpdateDlg();
}

void CDlgOptConversationRecordGen::Arrange(QGroupBox* modeGroup, QGroupBox* noticeGroup, QGroupBox* fileGroup) {
  auto* modes = new QVBoxLayout(modeGroup);
  modes->addWidget(m_auto);
  modes->addWidget(m_manual);

  // The texts stand in under their switches, each with its reset button at its right; in
  // screen-reader mode the button takes the grid row below its text, under the text.
  auto* notices = new QGridLayout(noticeGroup);
  notices->setColumnMinimumWidth(0, kIndent);
  notices->setColumnStretch(1, 1);
  notices->addWidget(m_beep, 0, 0, 1, -1);
  const struct {
    QCheckBox* check;
    CMultiLineEdit* text;
    CButtonSSL* reset;
    int lines;
  } rows[] = {{m_startSwitch, m_startText, m_startReset, 2}, {m_stopSwitch, m_stopText, m_stopReset, 1}};
  int row = 1;
  for (const auto& notice : rows) {
    notices->addWidget(notice.check, row, 0, 1, -1);
    notice.text->SetVisibleLines(notice.lines);
    notices->addWidget(notice.text, row + 1, 1);
    AddIconBar({notice.reset})->PlaceIn(notices, row + 1, 2, 1);
    row += 3;  // the switch, its text and the caption row
  }

  auto* files = new QVBoxLayout(fileGroup);
  files->addWidget(m_stereo);
  files->addWidget(m_mono);

  auto* child = new QVBoxLayout(this);
  child->setContentsMargins(0, 0, 0, 0);
  child->addWidget(modeGroup);
  child->addWidget(noticeGroup);
  child->addWidget(fileGroup);
  child->addStretch(1);
}

void CDlgOptConversationRecordGen::Localize() {
  Trace("Localize");
  const std::pair<int, int> texts[] = {{1179, 700}, {1193, 701}, {1192, 702}, {1241, 703}, {1234, 704},
                                       {1235, 705}, {1236, 706}, {1242, 707}, {1238, 708}, {1239, 709}};
  for (const auto& [id, text] : texts) SetText(id, text);
  SetIconButtonTip(m_startReset, 715);
  SetIconButtonTip(m_stopReset, 715);
}

void CDlgOptConversationRecordGen::UpdateDlg() {
  Trace("UpdateDlg");
  m_auto->setChecked(g_ConversationAutoRecordMode.Get() == 1);
  m_manual->setChecked(g_ConversationAutoRecordMode.Get() != 1);
  m_beep->setChecked(g_RecConvAudioNotificationAllowed.Get() != 0);
  const bool start = g_RecConvTextNotificationStartAllowed.Get() != 0;
  const bool stop = g_RecConvTextNotificationStopAllowed.Get() != 0;
  m_startSwitch->setChecked(start);
  m_stopSwitch->setChecked(stop);
  m_startText->setPlainText(ToEditText(g_RecConvTextNotificationTextMsgStart.Get()));
  m_stopText->setPlainText(ToEditText(g_RecConvTextNotificationTextMsgStop.Get()));
  m_startText->setEnabled(start);
  m_startReset->setEnabled(start);
  m_stopText->setEnabled(stop);
  m_stopReset->setEnabled(stop);
  m_stereo->setChecked(g_ConversationAudioFileModeStereo.Get() == 1);
  m_mono->setChecked(g_ConversationAudioFileModeStereo.Get() != 1);
  SetIconButtonTip(m_startReset, 715);
  SetIconButtonTip(m_stopReset, 715);
}

// The radios mark the page modified even when the value stays: choosing again is a choice.
void CDlgOptConversationRecordGen::OnRadioRecCallModeAuto() {
  Trace("OnRadioRecCallModeAuto");
  g_ConversationAutoRecordMode = 1;
  SetModified();
}

void CDlgOptConversationRecordGen::OnRadioRecCallModeManual() {
  Trace("OnRadioRecCallModeManual");
  g_ConversationAutoRecordMode = 0;
  SetModified();
}

void CDlgOptConversationRecordGen::OnRadioConvAudioFileModeStereo() {
  Trace("OnRadioConvAudioFileModeStereo");
  g_ConversationAudioFileModeStereo = 1;
  SetModified();
}

void CDlgOptConversationRecordGen::OnRadioConvAudioFileModeMono() {
  Trace("OnRadioConvAudioFileModeMono");
  g_ConversationAudioFileModeStereo = 0;
  SetModified();
}

void CDlgOptConversationRecordGen::OnCheckConvRecAudioNotificationEnabled() {
  Trace("OnCheckConvRecAudioNotificationEnabled");
  OnCheck(m_beep, g_RecConvAudioNotificationAllowed);
  if (g_RecConvAudioNotificationAllowed.Get() == 0) ShowLegalWarning();
}

void CDlgOptConversationRecordGen::OnCheckConvRecTextNotificationEnabledStart() {
  Trace("OnCheckConvRecTextNotificationEnabledStart");
  OnCheck(m_startSwitch, g_RecConvTextNotificationStartAllowed);
  const bool on = g_RecConvTextNotificationStartAllowed.Get() != 0;
  if (!on) ShowLegalWarning();
  m_startText->setEnabled(on);
  m_startReset->setEnabled(on);
}

void CDlgOptConversationRecordGen::OnCheckConvRecTextNotificationEnabledStop() {
  Trace("OnCheckConvRecTextNotificationEnabledStop");
  OnCheck(m_stopSwitch, g_RecConvTextNotificationStopAllowed);
  const bool on = g_RecConvTextNotificationStopAllowed.Get() != 0;
  if (!on) ShowLegalWarning();
  m_stopText->setEnabled(on);
  m_stopReset->setEnabled(on);
}

void CDlgOptConversationRecordGen::OnTextChanged(QPlainTextEdit* edit, COptionText& option) {
  if (OnTextEdit(FromEditText(edit->toPlainText()), option) && option.IsEmpty()) ShowLegalWarning();
}

void CDlgOptConversationRecordGen::OnChangeEditTextNotificationMsgStart() {
  Trace("OnChangeEditTextNotificationMsgStart");
  OnTextChanged(m_startText, g_RecConvTextNotificationTextMsgStart);
}

void CDlgOptConversationRecordGen::OnChangeEditTextNotificationMsgStop() {
  Trace("OnChangeEditTextNotificationMsgStop");
  OnTextChanged(m_stopText, g_RecConvTextNotificationTextMsgStop);
}

void CDlgOptConversationRecordGen::OnButtonResetTextNotificationMsgStart() {
  Trace("OnButtonResetTextNotificationMsgStart");
  g_RecConvTextNotificationTextMsgStart = GetLangString(IDS_DEFAULT_MESSAGE_CONVERSATION_REOCRDING_TEXT_GREETING_START);
  SetModified();
  UpdateDlg();
}

void CDlgOptConversationRecordGen::OnButtonResetTextNotificationMsgStop() {
  Trace("OnButtonResetTextNotificationMsgStop");
  g_RecConvTextNotificationTextMsgStop = GetLangString(IDS_DEFAULT_MESSAGE_CONVERSATION_REOCRDING_TEXT_GREETING_STOP);
  SetModified();
  UpdateDlg();
}

void CDlgOptConversationRecordGen::ShowLegalWarning() {
  qav::ShowMessageBox(GetLangString(IDS_OPT_CONVERSATION_RECORDING_LEGAL_WARNING), u"QAV",
                      qav::MB_ICONEXCLAMATION | qav::MB_OK);
}
