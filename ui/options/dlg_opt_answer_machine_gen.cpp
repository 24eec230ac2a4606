#include "ui/options/dlg_opt_answer_machine_gen.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "ui/controls/number_edit.h"
#include "ui/controls/title_group_box.h"
#include "ui/controls/wait_cursor.h"
#include "ui/sheet/sheet_services.h"

namespace {
constexpr uint32_t kMaxAnswerDelaySec = 180;
constexpr int kMuteValues[3] = {0, 1, 2};
constexpr int kMuteIds[3] = {1176, 1177, 1178};
// The wait after asking the test contact to call, so the user sees the call coming in.
constexpr int kTestCallPauseMs = 3000;
// The delay rows stand in under the switch they depend on; a gap parts the answering rows from
// the groups below.
constexpr int kIndent = 16, kGroupGap = 8;
}  // namespace

CDlgOptAnswerMachineGen::CDlgOptAnswerMachineGen(COptionsPageSite& site, QWidget* parent)
    : COptionChild(site, kDialogId, "CDlgOptAnswerMachineGen", parent) {
  Trace("OnInitDialog");
  m_frame = Add<CTitleGroupBox>(1191, "answeringFrame");
  m_answerAllowed = Add<QCheckBox>(1019, "answerAllowed");
  m_answerOnline = Add<QCheckBox>(1030, "answerWhenOnline");
  m_secondsOnline = Add<CNumberEdit>(1018, "secondsOnline");
  m_secondsOnlineLabel = Add<QLabel>(1061, "secondsOnlineLabel");
  m_answerAway = Add<QCheckBox>(1027, "answerWhenAway");
  m_secondsAway = Add<CNumberEdit>(1021, "secondsAway");
  m_secondsAwayLabel = Add<QLabel>(1060, "secondsAwayLabel");
  m_testCallLink = Add<QLabel>(1273, "testCallLink");
  m_testCallButton = Add<QPushButton>(1280, "testCallButton");
  m_muteGroup = Add<QGroupBox>(1174, "muteGroup");
  auto* muteGroup = new QButtonGroup(this);
  const char* muteNames[3] = {"muteNever", "muteWhenAway", "muteAlways"};
  for (int i = 0; i < 3; ++i) {
    m_muteRadios[i] = Add<QRadioButton>(kMuteIds[i], muteNames[i]);
    muteGroup->addButton(m_muteRadios[i]);
    connect(m_muteRadios[i], &QRadioButton::clicked, this, [this, i] {
      Trace(i == 0 ? "OnCheckMuteNever" : i == 1 ? "OnCheckMuteAway" : "OnCheckMuteAlways");
      OnRadio(g_MuteVolumeOnAnswer, kMuteValues[i]);
    });
  }
  m_takeControlGroup = Add<QGroupBox>(1182, "takeControlGroup");
  m_takeControlLabel = Add<QLabel>(1079, "takeControlLabel");
  m_takeControl = Add<QComboBox>(1142, "takeControl");
  Arrange();

  m_testCallLink->setTextFormat(Qt::RichText);
  m_testCallLink->setCursor(Qt::PointingHandCursor);
  connect(m_answerAllowed, &QCheckBox::clicked, this, &CDlgOptAnswerMachineGen::OnCheckAnswerAllowed);
  connect(m_answerOnline, &QCheckBox::clicked, this, &CDlgOptAnswerMachineGen::OnCheckAnswerWhenOnline);
  connect(m_answerAway, &QCheckBox::clicked, this, &CDlgOptAnswerMachineGen::OnCheckAnswerWhenAway);
  connect(m_secondsOnline, &QLineEdit::textChanged, this,
          &CDlgOptAnswerMachineGen::OnChangeEditSecondsToAnswerCallOnline);
  connect(m_secondsAway, &QLineEdit::textChanged, this, &CDlgOptAnswerMachineGen::OnChangeEditSecondsToAnswerCallAway);
  connect(m_takeControl, &QComboBox::activated, this, &CDlgOptAnswerMachineGen::OnSelchangeComboTakeControlUserOption);
  connect(m_testCallLink, &QLabel::linkActivated, this, &CDlgOptAnswerMachineGen::OnStartTestCallFromEcho123);
  connect(m_testCallButton, &QPushButton::clicked, this, &CDlgOptAnswerMachineGen::OnStartTestCallFromEcho123);
  Localize();
  UpdateDlg();
}

CDlgOptAnswerMachineGen::~CDlgOptAnswerMachineGen() = default;

void CDlgOptAnswerMachineGen::Localize() {
  Trace("Localize");
  const std::pair<int, int> texts[] = {{1191, 500}, {1019, 501}, {1030, 502}, {1061, 504}, {1027, 503},
                                       {1060, 504}, {1174, 505}, {1176, 506}, {1177, 507}, {1178, 508},
                                       {1182, 509}, {1079, 510}, {1280, 520}};
  for (const auto& [id, text] : texts) SetText(id, text);
  m_testCallLink->setText(QStringLiteral("<a href=\"echo123\" style=\"color:#0000EE\">%1</a>").arg(Lang(520).toHtmlEscaped()));
  m_takeControl->clear();
  m_takeControl->addItem(Lang(515), 0);
  m_takeControl->addItem(Lang(516), 1);
  m_takeControl->addItem(Lang(517), 2);
  m_takeControl->setCurrentIndex(g_TakeControlUserOption.Get());
}

void CDlgOptAnswerMachineGen::Arrange() {
  // The two delay rows line up: check box, seconds, their label.
  auto* delays = new QGridLayout;
  delays->setContentsMargins(kIndent, 0, 0, 0);
  delays->setColumnStretch(3, 1);
  const struct {
    QCheckBox* check;
    QLineEdit* edit;
    QLabel* label;
  } rows[] = {{m_answerOnline, m_secondsOnline, m_secondsOnlineLabel}, {m_answerAway, m_secondsAway, m_secondsAwayLabel}};
  for (int row = 0; row < 2; ++row) {
    delays->addWidget(rows[row].check, row, 0);
    FitToDigits(rows[row].edit, 4);
    delays->addWidget(rows[row].edit, row, 1);
    delays->addWidget(rows[row].label, row, 2);
  }
  auto* mute = new QHBoxLayout(m_muteGroup);
  for (QRadioButton* radio : m_muteRadios) mute->addWidget(radio);
  mute->addStretch(1);
  auto* takeControl = new QVBoxLayout(m_takeControlGroup);
  takeControl->addWidget(m_takeControlLabel);
  takeControl->addWidget(m_takeControl);
  m_takeControl->setSizeAdjustPolicy(QComboBox::AdjustToContents);

  auto* frame = new QVBoxLayout(m_frame);
  frame->addWidget(m_answerAllowed);
  frame->addLayout(delays);
  frame->addWidget(m_testCallLink);
  frame->addWidget(m_testCallButton, 0, Qt::AlignLeft);
  frame->addSpacing(kGroupGap);
  frame->addWidget(m_muteGroup);
  frame->addWidget(m_takeControlGroup);
  // The frame is as high as what it shows (shorter in basic mode); the room below stays empty.
  auto* child = new QVBoxLayout(this);
  child->setContentsMargins(0, 0, 0, 0);
  child->addWidget(m_frame);
  child->addStretch(1);
}

void CDlgOptAnswerMachineGen::UpdateDlg() {
  Trace("UpdateDlg");
  const bool advanced = AdvancedMode();
  const bool answering = g_AnswerAllowed.Get() != 0;
  m_answerAllowed->setChecked(answering);
  m_answerOnline->setChecked(g_AnswerAllowedOnline.Get() != 0);
  m_answerAway->setChecked(g_AnswerAllowedAway.Get() != 0);
  m_answerOnline->setEnabled(answering);
  m_answerAway->setEnabled(answering);
  const bool online = answering && g_AnswerAllowedOnline.Get() != 0;
  const bool away = answering && g_AnswerAllowedAway.Get() != 0;
  m_secondsOnline->setText(QString::number(g_SecB4AnsweringOnline.Get()));
  m_secondsAway->setText(QString::number(g_SecB4AnsweringAway.Get()));
  m_secondsOnline->setEnabled(online);
  m_secondsOnlineLabel->setEnabled(online);
  m_secondsAway->setEnabled(away);
  m_secondsAwayLabel->setEnabled(away);

  const int mute = g_MuteVolumeOnAnswer.Get();
  for (int i = 0; i < 3; ++i) {
    m_muteRadios[i]->setChecked(mute == kMuteValues[i]);
    ShowAndEnable(m_muteRadios[i], advanced);
  }
  m_takeControl->setCurrentIndex(g_TakeControlUserOption.Get());
  for (QWidget* control : {static_cast<QWidget*>(m_muteGroup), static_cast<QWidget*>(m_takeControlGroup),
                           static_cast<QWidget*>(m_takeControlLabel), static_cast<QWidget*>(m_takeControl)}) {
    ShowAndEnable(control, advanced);
  }
  // The frame's title greys outside advanced mode; it shrinks by itself as the advanced rows hide.
  m_frame->SetTitleEnabled(advanced);

  const bool screenReader = ScreenReaderMode();
  m_testCallLink->setVisible(!screenReader);
  m_testCallButton->setVisible(screenReader);
}

void CDlgOptAnswerMachineGen::OnCheckAnswerAllowed() {
  Trace("OnCheckAnswerAllowed");
  OnCheck(m_answerAllowed, g_AnswerAllowed);
  UpdateDlg();
  Services().RefreshTray();
}

void CDlgOptAnswerMachineGen::OnCheckAnswerWhenOnline() {
  Trace("OnCheckAnswerWhenOnline");
  OnCheck(m_answerOnline, g_AnswerAllowedOnline);
  UpdateDlg();
}

void CDlgOptAnswerMachineGen::OnCheckAnswerWhenAway() {
  Trace("OnCheckAnswerWhenAway");
  OnCheck(m_answerAway, g_AnswerAllowedAway);
  UpdateDlg();
}

void CDlgOptAnswerMachineGen::OnChangeEditSecondsToAnswerCallOnline() {
  Trace("OnChangeEditSecondsToAnswerCallOnline");
  OnNumberEdit(
      m_secondsOnline, g_SecB4AnsweringOnline, kMaxAnswerDelaySec,
      qav::Format(GetLangString(IDS_OPT_ANSWERING_MACHINE_VALID_ANSWER_DELAY), 0, static_cast<int>(kMaxAnswerDelaySec)),
      qav::MB_ICONEXCLAMATION | qav::MB_OK);
}

void CDlgOptAnswerMachineGen::OnChangeEditSecondsToAnswerCallAway() {
  Trace("OnChangeEditSecondsToAnswerCallAway");
  OnNumberEdit(
      m_secondsAway, g_SecB4AnsweringAway, kMaxAnswerDelaySec,
      qav::Format(GetLangString(IDS_OPT_ANSWERING_MACHINE_VALID_ANSWER_DELAY), 0, static_cast<int>(kMaxAnswerDelaySec)),
      qav::MB_ICONEXCLAMATION | qav::MB_OK);
}

void CDlgOptAnswerMachineGen::OnSelchangeComboTakeControlUserOption() {
  Trace("OnSelchangeComboTakeControlUserOption");
  OnCombo(m_takeControl, g_TakeControlUserOption);
}

void CDlgOptAnswerMachineGen::OnStartTestCallFromEcho123() {
  Trace("OnStartTestCallFromEcho123");
  // One cursor for any number of clicks within the pause; the page going gives it back too.
  if (!m_testCallPause) m_testCallPause.emplace();
  Services().SendChatMessage(u"echo123", u"Call Me");
  // The window stays responsive meanwhile; only the cursor waits.
  QTimer::singleShot(kTestCallPauseMs, this, [this] { m_testCallPause.reset(); });
}
