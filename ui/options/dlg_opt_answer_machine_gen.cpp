#include "ui/options/dlg_opt_answer_machine_gen.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "ui/options/options_sheet_link.h"

namespace {
constexpr uint32_t kMaxAnswerDelaySec = 180;
constexpr int kMuteValues[3] = {0, 1, 2};
constexpr int kMuteIds[3] = {1176, 1177, 1178};
// The wait after asking the test contact to call, so the user sees the call coming in.
constexpr int kTestCallPauseMs = 3000;
// The frame's width as the dialog was drawn, and the child's margin beyond it.
constexpr int kFrameWidth = 396, kChildMargin = 4;
}  // namespace

CDlgOptAnswerMachineGen::CDlgOptAnswerMachineGen(COptionsSheetLink& sheet, QWidget* parent)
    : COptionChild(sheet, kDialogId, "CDlgOptAnswerMachineGen", parent) {
  Trace("OnInitDialog");
  resize(400, 340);
  m_frame = Add<QGroupBox>(1191, 0, 5, kFrameWidth, 330);
  m_frameRect = m_frame->geometry();
  m_answerAllowed = Add<QCheckBox>(1019, 10, 25, 380, 22);
  m_answerOnline = Add<QCheckBox>(1030, 24, 52, 196, 22);
  m_secondsOnline = Add<CNumberEdit>(1018, 220, 52, 36, 22);
  m_secondsOnlineLabel = Add<QLabel>(1061, 260, 52, 140, 22);
  m_answerAway = Add<QCheckBox>(1027, 24, 80, 196, 22);
  m_secondsAway = Add<CNumberEdit>(1021, 220, 80, 36, 22);
  m_secondsAwayLabel = Add<QLabel>(1060, 260, 80, 140, 22);
  m_testCallLink = Add<QLabel>(1273, 10, 115, 380, 22);
  m_testCallButton = Add<QPushButton>(1280, 10, 112, 380, 26);
  m_muteGroup = Add<QGroupBox>(1174, 8, 182, 380, 52);
  auto* muteGroup = new QButtonGroup(this);
  const int muteX[3] = {18, 110, 290};
  const int muteW[3] = {88, 170, 90};
  for (int i = 0; i < 3; ++i) {
    m_muteRadios[i] = Add<QRadioButton>(kMuteIds[i], muteX[i], 204, muteW[i], 22);
    muteGroup->addButton(m_muteRadios[i]);
    connect(m_muteRadios[i], &QRadioButton::clicked, this, [this, i] {
      Trace(i == 0 ? "OnCheckMuteNever" : i == 1 ? "OnCheckMuteAway" : "OnCheckMuteAlways");
      OnRadio(g_MuteVolumeOnAnswer, kMuteValues[i]);
    });
  }
  m_takeControlGroup = Add<QGroupBox>(1182, 8, 242, 380, 82);
  m_takeControlLabel = Add<QLabel>(1079, 18, 262, 360, 20);
  m_takeControl = Add<QComboBox>(1142, 18, 286, 360, 24);

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
  FitAnswerRows();
}

void CDlgOptAnswerMachineGen::FitAnswerRows() {
  constexpr int kCheckLeft = 24, kCheckWidth = 196, kEditWidth = 36, kLabelWidth = 140, kGap = 4, kRowHeight = 22;
  const int checkWidth =
      std::max({kCheckWidth, m_answerOnline->sizeHint().width() + kGap, m_answerAway->sizeHint().width() + kGap});
  const int labelWidth =
      std::max({kLabelWidth, m_secondsOnlineLabel->sizeHint().width(), m_secondsAwayLabel->sizeHint().width()});
  const int editLeft = kCheckLeft + checkWidth;
  const int labelLeft = editLeft + kEditWidth + kGap;
  const struct {
    QCheckBox* check;
    QLineEdit* edit;
    QLabel* label;
    int top;
  } rows[] = {{m_answerOnline, m_secondsOnline, m_secondsOnlineLabel, 52}, {m_answerAway, m_secondsAway, m_secondsAwayLabel, 80}};
  for (const auto& row : rows) {
    PlaceControl(row.check, {kCheckLeft, row.top, checkWidth, kRowHeight});
    PlaceControl(row.edit, {editLeft, row.top, kEditWidth, kRowHeight});
    PlaceControl(row.label, {labelLeft, row.top, labelWidth, kRowHeight});
  }
  // The frame keeps its right margin beyond the longest row; the child keeps its own beyond the frame.
  const int frameWidth = std::max(kFrameWidth, labelLeft + labelWidth + kGap);
  m_frameRect.setWidth(frameWidth);
  m_frame->setGeometry(m_frameRect.x(), m_frame->y(), frameWidth, m_frame->height());
  if (frameWidth + kChildMargin > width()) resize(frameWidth + kChildMargin, height());
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
  m_frame->setEnabled(advanced);
  QRect frame = m_frameRect;
  if (!advanced) frame.setHeight(m_frameRect.height() - kBasicModeFrameShortening);
  m_frame->setGeometry(frame);
  m_frame->lower();

  const bool screenReader = ScreenReaderMode();
  m_testCallLink->setVisible(!screenReader);
  m_testCallButton->setVisible(screenReader);
}

void CDlgOptAnswerMachineGen::OnCheckAnswerAllowed() {
  Trace("OnCheckAnswerAllowed");
  OnCheck(m_answerAllowed, g_AnswerAllowed);
  UpdateDlg();
  Sheet().RefreshTrayIcon();
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
  OnNumberEdit(m_secondsOnline, g_SecB4AnsweringOnline, kMaxAnswerDelaySec,
               qav::Format(GetLangString(530), 0, static_cast<int>(kMaxAnswerDelaySec)), qav::MB_ICONEXCLAMATION | qav::MB_OK);
}

void CDlgOptAnswerMachineGen::OnChangeEditSecondsToAnswerCallAway() {
  Trace("OnChangeEditSecondsToAnswerCallAway");
  OnNumberEdit(m_secondsAway, g_SecB4AnsweringAway, kMaxAnswerDelaySec,
               qav::Format(GetLangString(530), 0, static_cast<int>(kMaxAnswerDelaySec)), qav::MB_ICONEXCLAMATION | qav::MB_OK);
}

void CDlgOptAnswerMachineGen::OnSelchangeComboTakeControlUserOption() {
  Trace("OnSelchangeComboTakeControlUserOption");
  OnCombo(m_takeControl, g_TakeControlUserOption);
}

void CDlgOptAnswerMachineGen::OnStartTestCallFromEcho123() {
  Trace("OnStartTestCallFromEcho123");
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Sheet().SendChatMessage(u"echo123", u"Call Me");
  // The window stays responsive meanwhile; only the cursor waits.
  QTimer::singleShot(kTestCallPauseMs, this, [] { QApplication::restoreOverrideCursor(); });
}
