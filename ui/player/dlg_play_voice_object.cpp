#include "ui/player/dlg_play_voice_object.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/web_links.h"
#include "audio/audio_driver.h"
#include "calls/conversation.h"
#include "calls/conversation_collection.h"
#include "calls/message.h"
#include "data/string_ids.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "skype/link/user_collection.h"
#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/controls/gradient_progress_ctrl.h"
#include "ui/controls/hyper_link.h"
#include "ui/player/player_position.h"
#include "ui/controls/push_graph.h"
#include "ui/bridge/up_dialog.h"
#include "ui/controls/x_progress_bar.h"

namespace {

constexpr int kGraphLine = 0;
constexpr int kMarkerLine = 2;
constexpr COLORREF kGraphColour = RGB(255, 0, 0);   // 0x0000FF
constexpr COLORREF kMarkerColour = RGB(0, 255, 0);  // 0x00FF00
constexpr uint32_t kPlayerNotices = AUDIO_EVENT_PLAY_DONE | AUDIO_EVENT_BUFFER_PLAYED;

// The graph's width, in average characters of the dialog's font.
constexpr int kGraphWidthInCharacters = 66;
// Names beyond this many average characters are cut short in the details' list.
constexpr int kLongestNameInCharacters = 100;
// The characters a line edit's size hint allows for its text (QLineEdit's own figure).
constexpr int kLineEditHintCharacters = 17;

QString Lang(int id) { return QString::fromStdU16String(GetLangString(id)); }

// Button captions double "&" as the menus do; a tooltip shows one.
QString Caption(int id) { return Lang(id).replace(QStringLiteral("&&"), QStringLiteral("&")); }

struct ButtonSpec {
  CDlgPlayVoiceObject::ButtonId id;
  const char* name;
  int image;
  int caption;
};
// In their order on the dialog, with their pictures in the toolbar list.
constexpr ButtonSpec kButtons[6] = {
    {CDlgPlayVoiceObject::kPrevious, "playPrevious", 4, IDS_PLAY_SAVED_MESSAGE_DIALOG_PLAY_PREVIOUS},
    {CDlgPlayVoiceObject::kStop, "stop", 3, IDS_PLAY_SAVED_MESSAGE_DIALOG_STOP},
    {CDlgPlayVoiceObject::kPlayPause, "playPause", 1, IDS_PLAY_SAVED_MESSAGE_DIALOG_PAUSE},
    {CDlgPlayVoiceObject::kNext, "playNext", 5, IDS_PLAY_SAVED_MESSAGE_DIALOG_PLAY_NEXT},
    {CDlgPlayVoiceObject::kDelete, "delete", 6, IDS_PLAY_SAVED_MESSAGE_DIALOG_DELETE},
    {CDlgPlayVoiceObject::kDeleteNext, "deleteAndPlayNext", 7, IDS_PLAY_SAVED_MESSAGE_DIALOG_DELETE_PLAY_NEXT},
};

int64_t FileSize(const std::u16string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(qav::U8(path), error);
  return error ? 0 : static_cast<int64_t>(size);
}

}  // namespace

CDlgPlayVoiceObject::CDlgPlayVoiceObject(CConversation* conversation, QWidget* owner, bool analysis)
    : QDialog(owner), m_conversation(conversation), m_analysisOn(analysis) {
  BuildControls();
}

CDlgPlayVoiceObject::CDlgPlayVoiceObject(CMessage* message, QWidget* owner, bool analysis)
    : QDialog(owner), m_message(message), m_analysisOn(analysis) {
  BuildControls();
}

CDlgPlayVoiceObject::~CDlgPlayVoiceObject() {
  // A dialog torn down without ending (its owner went) must not leave the file playing.
  if (m_playing) PausePlayback();
}

void CDlgPlayVoiceObject::BuildControls() {
  m_detailsFrame = Named<QGroupBox>("detailsFrame");
  m_itemLabel = Named<QLabel>("callerLabel");
  m_itemList = Named<QListWidget>("callerList");
  m_itemList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_itemList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_itemList->setFocusPolicy(Qt::NoFocus);
  m_itemList->setSelectionMode(QAbstractItemView::NoSelection);
  m_timeLabel = Named<QLabel>("timeOfCallLabel");
  m_timeEdit = Named<QLineEdit>("timeOfCall");
  m_timeEdit->setReadOnly(true);
  m_durationText = Named<QLabel>("duration");
  m_durationText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_positionBar = Named<CXProgressBar>("positionBar");
  m_positionBar->setRange(0, 0);
  m_positionBar->setValue(0);
  m_positionBar->SetCursorShape(Qt::PointingHandCursor);

  m_analysisFrame = Named<QGroupBox>("analysisFrame");
  m_stressLabel = Named<QLabel>("stressLabel");
  m_stressBar = Named<CGradientProgressCtrl>("stressBar");
  m_graphPlaceholder = Named<QWidget>("graph");
  m_conferenceNote = Named<QLabel>("conferenceNote");
  m_conferenceNote->setAlignment(Qt::AlignCenter);
  m_vsaLink = new CHyperLink(QStringLiteral("VSA"), this);
  m_vsaLink->setObjectName(QStringLiteral("vsaLink"));

  for (size_t i = 0; i < std::size(kButtons); ++i) {
    auto* button = Named<CButtonSSL>(kButtons[i].name);
    button->SetStateAndRedraw(CButtonSSL::kAlignHCenter | CButtonSSL::kAlignVCenter);
    button->setFocusPolicy(Qt::StrongFocus);
    const ButtonId id = kButtons[i].id;
    connect(button, &QAbstractButton::clicked, this, [this, id] { ClickButton(id); });
    m_buttons[i] = button;
  }
  Arrange();

  connect(m_positionBar, &CXProgressBar::progressClick, this,
          [this](int kind, int value) { OnProgressClick(kind, value); });
}

template <class Control>
Control* CDlgPlayVoiceObject::Named(const char* name) {
  auto* control = new Control(this);
  control->setObjectName(QString::fromLatin1(name));
  return control;
}

void CDlgPlayVoiceObject::FitToFont() {
  const QFontMetrics metrics = fontMetrics();
  // The bars and the graph carry no text: their heights follow the font, as the rows around them
  // do, and the graph (one point of the analysis per pixel column) is as wide as a line of text.
  m_positionBar->setFixedHeight(metrics.height());
  m_stressBar->setFixedHeight(metrics.height());
  QWidget* graph = m_graph ? static_cast<QWidget*>(m_graph) : m_graphPlaceholder;
  graph->setFixedHeight(metrics.height() * 7 / 4);
  graph->setMinimumWidth(metrics.averageCharWidth() * kGraphWidthInCharacters);
  // The gap between the time's row and the position bar: a line of the font.
  if (auto* details = static_cast<QGridLayout*>(m_detailsFrame->layout()))
    details->setRowMinimumHeight(2, metrics.height());
  if (m_vsaInset) m_vsaInset->setContentsMargins(0, 0, metrics.averageCharWidth(), 0);
}

void CDlgPlayVoiceObject::Arrange() {
  // Without analysis the graph's place stays empty, so the frame looks the same either way; the
  // stress bar's likewise where the conference note stands.
  for (QWidget* keepsPlace : {static_cast<QWidget*>(m_graphPlaceholder), static_cast<QWidget*>(m_stressBar)}) {
    QSizePolicy policy = keepsPlace->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    keepsPlace->setSizePolicy(policy);
  }
  m_itemList->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  m_timeEdit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

  // Labels in the first column, what they name beside them; the duration closes the time's row
  // on the right, and the position bar runs under both rows after a gap.
  auto* details = new QGridLayout(m_detailsFrame);
  details->addWidget(m_itemLabel, 0, 0);
  details->addWidget(m_itemList, 0, 1, 1, 2);
  details->addWidget(m_timeLabel, 1, 0);
  details->addWidget(m_timeEdit, 1, 1);
  details->addWidget(m_durationText, 1, 2);
  details->addWidget(m_positionBar, 3, 0, 1, 3);
  // The time's edit takes two parts of any room the row gets, the gap before the duration one.
  details->setColumnStretch(1, 2);
  details->setColumnStretch(2, 1);

  // The conference note stands where the stress bar and the graph would, centred.
  auto* analysis = new QGridLayout(m_analysisFrame);
  analysis->addWidget(m_stressLabel, 0, 0);
  analysis->addWidget(m_stressBar, 0, 1);
  analysis->addWidget(m_graphPlaceholder, 1, 0, 1, 2);
  analysis->addWidget(m_conferenceNote, 0, 1, 2, 1);
  analysis->setColumnStretch(1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (CButtonSSL* button : m_buttons) buttons->addWidget(button);
  buttons->addStretch(1);

  // The "VSA" link sits on the analysis frame's title line, near its right end (the frames share
  // the one cell with it).
  auto* frames = new QGridLayout;
  frames->addWidget(m_detailsFrame, 0, 0);
  frames->addWidget(m_analysisFrame, 1, 0);
  m_vsaLink->setAutoFillBackground(true);  // over the frame's line, as the title is
  m_vsaInset = new QHBoxLayout;
  m_vsaInset->addWidget(m_vsaLink);
  frames->addLayout(m_vsaInset, 1, 0, Qt::AlignTop | Qt::AlignRight);
  m_vsaLink->raise();

  auto* dialog = new QVBoxLayout(this);
  dialog->addLayout(frames);
  dialog->addLayout(buttons);
  // The dialog is as large as what it shows: the graph's points are drawn for its width.
  dialog->setSizeConstraint(QLayout::SetFixedSize);
  FitToFont();
}

CButtonSSL* CDlgPlayVoiceObject::Button(ButtonId id) const {
  for (size_t i = 0; i < std::size(kButtons); ++i)
    if (kButtons[i].id == id) return m_buttons[i];
  return nullptr;
}

int CDlgPlayVoiceObject::DoModal() {
  const int early = InitDialog();
  if (early != 0) return early;
  return exec();
}

int CDlgPlayVoiceObject::InitDialog() {
  if (m_message) {
    if (m_message->GetDuration() < 1) {
      std::u16string name, time;
      try {
        name = m_message->GetUserDisplayName();
        time = m_message->GetTimeOfCallText();
      } catch (const MessageWithoutCall&) {
      }
      const std::u16string text = qav::Format(GetLangString(IDS_PLAY_SAVED_MESSAGE_DIALOG_NO_VOICE_MESSAGE), name, time);
      QAV_LOG(LOG_INFO, u"%s", text);
      qav::ShowMessageBox(text, u"QAV", qav::MB_OK);
      return kResultNoVoice;
    }
    m_filePath = m_message->GetFilePath();
    m_total = m_message->GetSize();
  } else if (m_conversation) {
    m_filePath = g_ConversationCollection.GetConversationsFolder() + m_conversation->GetAudioFileName();
    m_total = m_conversation->GetSize();
  } else {
    return kResultNoFile;
  }
  if (m_filePath.empty() || !CheckFile()) return kResultNoFile;
  // A size not kept with the item is measured, so positions and seeks still map onto the file.
  if (m_total <= 0) m_total = FileSize(m_filePath);

  m_notices.OpenForPlayback("QAVPlayVoiceObject", [this](const PlaybackNotice& notice) { OnPlaybackNotice(notice); });

  SetTexts();
  FillDetails();

  m_vsaLink->SetURL(QString::fromStdU16String(ProductPageLink(
      u"applinks/vsa/", {{u"lang", GetLangCodeFromFile()}, {u"skypename", g_CurrentUser.GetHandle()}})));
  m_vsaLink->SetUnderline(CHyperLink::kUnderlineNever);
  m_vsaLink->SetColours(0xEE0000, 0xEE0000);
  m_vsaLink->ActivateTooltip(false);

  m_conferenceNote->hide();
  m_conferenceNote->setEnabled(false);
  m_stressBar->SetPos(0);

  const bool asked = m_analysisOn && g_EnableVSAProcessing.Get() != 0;
  m_analysisOn = false;
  if (m_message) {
    if (asked) m_analysisOn = RunAnalysis(0);
  } else {
    int partners = 0, skypePartners = 0, telephonePartners = 0;
    m_conversation->GetPartnerCounts(&partners, &skypePartners, &telephonePartners);
    if (partners > 1) {
      m_conferenceNote->setText(Lang(IDS_PLAY_SAVED_MESSAGE_DIALOG_VSA_NOT_FOR_CONFERENCE));
      m_conferenceNote->setEnabled(true);
      m_conferenceNote->show();
      m_stressLabel->setEnabled(false);
      m_stressBar->setEnabled(false);
      m_stressBar->hide();
    } else if (partners == 1 && asked) {
      m_analysisOn = RunAnalysis(1);
    }
  }

  m_positionBar->setRange(0, qav::PlayerBarRange(m_total));
  m_positionBar->setValue(0);

  // The dialog takes its size from what it shows now; the corner is checked against that size and
  // the graph drawn for its width.
  ensurePolished();
  layout()->activate();
  PlaceOnScreen();

  if (m_analysisOn) {
    m_graph = new C2DPushGraph();
    m_graph->CreateFromStatic(m_graphPlaceholder);
    m_graphPlaceholder = nullptr;
    m_graph->SetCursorShape(Qt::PointingHandCursor);
    connect(m_graph, &C2DPushGraph::graphClick, this, [this](int kind, QPoint at) { OnGraphClick(kind, at.x()); });
    DrawGraph();
    m_graph->installEventFilter(this);
  } else {
    m_stressLabel->setEnabled(false);
    m_stressBar->setEnabled(false);
    m_graphPlaceholder->hide();
  }

  SetPosition(0);
  Playback();
  if (CButtonSSL* next = Button(kNext)) next->setFocus();
  return 0;
}

int CDlgPlayVoiceObject::CheckFile() const {
  std::error_code error;
  if (std::filesystem::is_regular_file(qav::U8(m_filePath), error)) return 1;
  QAV_LOG(LOG_INFO, u"Can't find file: %s", m_filePath);
  qav::ShowMessageBox(GetLangString(IDS_PLAY_SAVED_MESSAGE_DIALOG_CANT_FIND_FILE) + m_filePath, u"QAV", qav::MB_OK);
  return 0;
}

void CDlgPlayVoiceObject::PlaceOnScreen() {
  CPoint corner;
  LoadPlayMsgWindowPos(corner);
  const QSize size = frameGeometry().size();
  // The remembered corner holds when the whole dialog lies on a screen's work area there; a screen
  // unplugged since, or a desktop grown smaller, brings it back to the middle.
  const bool remembered = !(corner.x == -1 && corner.y == -1);
  const QRect there(QPoint(corner.x, corner.y), size);
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (remembered && screen->availableGeometry().contains(there)) {
      move(there.topLeft());
      return;
    }
  }
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (!primary) return;
  const QRect full = primary->geometry();
  move(full.x() + (((full.width() - size.width()) / 2 + 4) & ~7), full.y() + (full.height() - size.height()) / 2);
}

void CDlgPlayVoiceObject::SetTexts() {
  const bool message = m_message != nullptr;
  setWindowTitle(Lang(message ? IDS_PLAY_SAVED_MESSAGE_DIALOG_TITLE : IDS_PLAY_SAVED_MESSAGE_DIALOG_CONVERSATION_TITLE));
  m_detailsFrame->setTitle(Lang(message ? IDS_PLAY_SAVED_MESSAGE_DIALOG_VOICE_MESSAGE_DETAILS
                                        : IDS_PLAY_SAVED_MESSAGE_DIALOG_VOICE_CONVERSATION_DETAILS));
  m_itemLabel->setText(Lang(message ? IDS_PLAY_SAVED_MESSAGE_DIALOG_CALLER : IDS_PLAY_SAVED_MESSAGE_DIALOG_PARTICIPANTS));
  // The one-row list is read by the label beside it.
  m_itemList->setAccessibleName(m_itemLabel->text());
  m_timeLabel->setText(Lang(IDS_PLAY_SAVED_MESSAGE_DIALOG_TIME_OF_CALL));
  m_analysisFrame->setTitle(Lang(IDS_PLAY_SAVED_MESSAGE_DIALOG_VOICE_ANALYSIS));
  m_stressLabel->setText(Lang(IDS_PLAY_SAVED_MESSAGE_DIALOG_STRESS_LEVEL));

  const bool captions = g_ScreenReaderFriendlyMode.Get() != 0;
  for (size_t i = 0; i < std::size(kButtons); ++i) {
    CButtonSSL* button = m_buttons[i];
    button->setText(captions ? Lang(kButtons[i].caption) : QString());
    button->SetTooltipText(Caption(kButtons[i].caption));
    // With its caption a button is a plain framed one; a picture alone is framed while hovered.
    button->SetButtonStyle(captions ? 0 : CButtonSSL::kStyleFlat);
    if (g_pImageLists && !captions) button->SetImageList(g_pImageLists->m_toolbarList, kButtons[i].image);
  }
  AlignLabelColumns();
}

void CDlgPlayVoiceObject::AlignLabelColumns() {
  // The labels of both frames share one column width, so the controls they name line up.
  const int width = std::max({m_itemLabel->sizeHint().width(), m_timeLabel->sizeHint().width(),
                              m_stressLabel->sizeHint().width()});
  for (QGroupBox* frame : {m_detailsFrame, m_analysisFrame})
    static_cast<QGridLayout*>(frame->layout())->setColumnMinimumWidth(0, width);
}

void CDlgPlayVoiceObject::FillDetails() {
  m_itemList->clear();
  if (m_message) {
    std::u16string caller, time;
    int status = 0;
    try {
      caller = m_message->GetUserDisplayNameWithHandle();
      time = m_message->GetTimeOfCallText();
      status = m_message->GetUserStatus();
    } catch (const MessageWithoutCall&) {
    }
    auto* row = new QListWidgetItem(QString::fromStdU16String(caller));
    if (g_pImageLists) row->setIcon(g_pImageLists->m_statusList.GetIcon(status));
    m_itemList->addItem(row);
    m_timeEdit->setText(QString::fromStdU16String(time));
    m_durationText->setText(QString::fromStdU16String(m_message->GetDurationText()));
  } else {
    std::u16string handles, names;
    m_conversation->GetPartnerNames(handles, names);
    m_itemList->addItem(QString::fromStdU16String(names));
    m_timeEdit->setText(QString::fromStdU16String(m_conversation->GetStartTimeText()));
    m_durationText->setText(QString::fromStdU16String(m_conversation->GetDurationText()));
  }
  FitDetailsToTexts();
}

void CDlgPlayVoiceObject::FitDetailsToTexts() {
  // The one-row list is as high as its row and wide enough for the names, up to a long line.
  const QFontMetrics metrics = m_itemList->fontMetrics();
  const int frame = 2 * m_itemList->frameWidth();
  if (m_itemList->count() > 0) {
    m_itemList->setFixedHeight(m_itemList->sizeHintForRow(0) + frame);
    m_itemList->setMinimumWidth(
        std::min(m_itemList->sizeHintForColumn(0), metrics.averageCharWidth() * kLongestNameInCharacters) + frame);
  }
  // The time's edit shows its whole text: the style's frame and margins (what its hint adds to
  // the text width it assumes) around the text.
  const QFontMetrics edit = m_timeEdit->fontMetrics();
  const int chrome = m_timeEdit->sizeHint().width() - edit.horizontalAdvance(QString(kLineEditHintCharacters, u'x'));
  m_timeEdit->setMinimumWidth(edit.horizontalAdvance(m_timeEdit->text()) + chrome);
}

bool CDlgPlayVoiceObject::RunAnalysis(int channelChoice) {
  std::unique_ptr<CUPDialog> dialog;
  qav::ProgressDialogRunner* runner = m_analysisRunner;
  if (!runner) {
    dialog = std::make_unique<CUPDialog>(this);
    runner = dialog.get();
  }
  return m_analysis.Init(m_filePath, channelChoice, runner) == 1;
}

void CDlgPlayVoiceObject::DrawGraph() {
  const int width = m_graph->GetGraphRect().width();
  m_graphWidth = width;
  m_graph->RemoveLine(kGraphLine);
  m_graph->RemoveLine(kMarkerLine);
  m_graph->SetRange(0, 100);
  // One point per pixel column: with the default step of 2 half the recording would be dropped
  // and clicks would land beside the points they aim at.
  m_graph->SetStep(1);
  m_graph->AddLine(kGraphLine, kGraphColour);
  for (int x = 0; x < width; ++x) {
    const int first = m_analysis.GetBlockIndexAtOffset(qav::PlayerColumnStart(x, m_total, width));
    const int last = m_analysis.GetBlockIndexAtOffset(qav::PlayerColumnStart(x + 1, m_total, width));
    const int from = first >= 0 ? first : last;
    const int to = last >= 0 ? last : first;
    int value = 0;
    for (int i = from; from >= 0 && i <= to; ++i) value = std::max(value, m_analysis.GetValuePercentAt(i));
    m_graph->Push(std::clamp(value, 0, 100), kGraphLine);
  }
  m_graph->Update();
}

bool CDlgPlayVoiceObject::eventFilter(QObject* watched, QEvent* event) {
  // The graph has one point per pixel column: a graph grown or shrunk (a new desktop font) is
  // drawn again for its width, with the marker where playback stands.
  if (watched == m_graph && event->type() == QEvent::Resize && m_graph->width() != m_graphWidth) {
    DrawGraph();
    SetPosition(m_position);
  }
  return QDialog::eventFilter(watched, event);
}

void CDlgPlayVoiceObject::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange && m_positionBar) {
    FitToFont();
    FitDetailsToTexts();
    AlignLabelColumns();
  }
  QDialog::changeEvent(event);
}

void CDlgPlayVoiceObject::ShowPlayLook(bool play) {
  CButtonSSL* button = Button(kPlayPause);
  const int caption = play ? IDS_PLAY_SAVED_MESSAGE_DIALOG_PLAY : IDS_PLAY_SAVED_MESSAGE_DIALOG_PAUSE;
  if (g_ScreenReaderFriendlyMode.Get() != 0)
    button->setText(Lang(caption));
  else if (g_pImageLists)
    button->SetImageList(g_pImageLists->m_toolbarList, play ? 0 : 1);
  button->SetTooltipText(Lang(caption));
}

int CDlgPlayVoiceObject::Playback() {
  if (m_playing || !CheckFile()) return 0;
  QAV_LOG(LOG_INFO, u"Starting playback of %s", m_filePath);
  m_playing = true;
  ShowPlayLook(false);
  int started = 0;
  if (g_pAudioDriver) {
    g_pAudioDriver->PlayAudioFileSetOffset(m_total > 0 ? static_cast<double>(m_position) / m_total : 0.0);
    started = g_pAudioDriver->PlayAudioFileStart(m_filePath, m_notices.Window(), UM_AUDIONOTIFY, kPlayerNotices);
  }
  if (started == 1) return 1;
  m_playing = false;
  ShowPlayLook(true);
  QAV_LOG(LOG_SEVERE, u"CDlgPlayVoiceObject::Playback[ ERROR from g_pAudioDriver->PlayAudioFileStart (%s)", m_filePath);
  qav::ShowMessageBox(GetLangString(IDS_ERROR_MESSAGE_FAILED_TO_PLAY_AUDIO_FILE) + m_filePath, u"QAV",
                      qav::MB_OK | qav::MB_ICONSTOP);
  return 0;
}

int CDlgPlayVoiceObject::PausePlayback() {
  if (!m_playing) return 0;
  QAV_LOG(LOG_INFO, u"Paused (Stopped) playback of %s", m_filePath);
  if (!g_pAudioDriver || g_pAudioDriver->PlayAudioFileStop() < 1)
    QAV_LOG(LOG_WARNING, u"CDlgPlayVoiceObject::Playback[ ERROR from g_pAudioDriver->PlayAudioFileStop()");
  m_playing = false;
  ShowPlayLook(true);
  return 1;
}

void CDlgPlayVoiceObject::StopAndRewind() {
  PausePlayback();
  SetPosition(0);
}

void CDlgPlayVoiceObject::SetPosition(int64_t bytes) {
  m_position = bytes;
  m_positionBar->setValue(qav::PlayerBarValue(bytes, m_total));
  if (!m_analysisOn || !m_graph) return;
  const int meter = m_analysis.GetMeterAtOffset(bytes);
  m_stressBar->SetPos(meter >= 0 && meter <= 100 ? meter : 0);
  const int column = qav::PlayerMarkerColumn(bytes, m_total, m_graph->GetGraphRect().width());
  m_graph->RemoveLine(kMarkerLine);
  m_graph->AddLine(kMarkerLine, kMarkerColour);
  m_graph->SetLineBarMode(kMarkerLine, true);
  for (int i = 0; i < column; ++i) m_graph->Push(-1, kMarkerLine);
  m_graph->Push(100, kMarkerLine);
  m_graph->Push(100, kMarkerLine);
  m_graph->Push(-1, kMarkerLine);
  m_graph->Update();
}

void CDlgPlayVoiceObject::OnPlaybackNotice(const PlaybackNotice& notice) {
  // Notices the audio thread queued before a stop arrive after it; they belong to a playback that
  // is over and would move the kept (or rewound) position.
  if (!m_playing) return;
  if (notice.kind == PlaybackNotice::Kind::kEnded) {
    QAV_LOG(LOG_INFO, u"CDlgPlayVoiceObject::PlaybackStopped");
    m_playing = false;
    ShowPlayLook(true);
    if (notice.position > 0) {
      // Cut short (a call's recording took the sound card): paused there, Play goes on from there.
      SetPosition(notice.position);
      return;
    }
    m_position = 0;
    m_stressBar->SetPos(0);
    return;
  }
  SetPosition(notice.position);
}

void CDlgPlayVoiceObject::OnProgressClick(int kind, int value) {
  if (kind != CXProgressBar::kButtonUp) return;
  const double fraction = qav::PlayerFractionOfBar(value, m_positionBar->maximum());
  if (g_pAudioDriver && g_pAudioDriver->PlayAudioFileSetOffset(fraction) > 0 && !m_playing)
    SetPosition(qav::PlayerBytesAtFraction(fraction, m_total));
}

void CDlgPlayVoiceObject::OnGraphClick(int kind, int x) {
  if (kind != C2DPushGraph::kButtonUp || !m_graph) return;
  // x alone, held to the plot: the press's y is no part of where to seek.
  const double fraction = CPushGraphModel::SeekFraction(x, m_graph->GetGraphRect().width());
  if (g_pAudioDriver && g_pAudioDriver->PlayAudioFileSetOffset(fraction) > 0 && !m_playing)
    SetPosition(qav::PlayerBytesAtFraction(fraction, m_total));
}

void CDlgPlayVoiceObject::ClickButton(ButtonId id) {
  switch (id) {
    case kStop: StopAndRewind(); return;
    case kPlayPause:
      if (m_playing)
        PausePlayback();
      else
        Playback();
      return;
    case kPrevious: Finish(kResultPlayPrevious); return;
    case kNext: Finish(kResultPlayNext); return;
    case kDelete: Finish(kResultDelete); return;
    case kDeleteNext: Finish(kResultDeleteAndPlayNext); return;
  }
}

void CDlgPlayVoiceObject::Finish(int result) {
  if (m_playing) StopAndRewind();
  done(result);
}

void CDlgPlayVoiceObject::done(int result) {
  SavePlayMsgWindowPos(CPoint{static_cast<int32_t>(x()), static_cast<int32_t>(y())});
  if (m_playing) StopAndRewind();
  m_notices.Close();
  QDialog::done(result);
}
