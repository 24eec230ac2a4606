#include "ui/player/dlg_play_voice_object.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
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

// The dialog's layout is kept in dialog units of its 8-point font; one unit is about 3/2 pixel
// across and 13/8 down.
QRect Du(int x, int y, int w, int h) { return QRect(x * 3 / 2, y * 13 / 8, w * 3 / 2, h * 13 / 8); }

QString Lang(int id) { return QString::fromStdU16String(GetLangString(id)); }

// Button captions double "&" as the menus do; a tooltip shows one.
QString Caption(int id) { return Lang(id).replace(QStringLiteral("&&"), QStringLiteral("&")); }

struct ButtonSpec {
  CDlgPlayVoiceObject::ButtonId id;
  int image;
  int caption;
};
// In their order on the dialog, with their pictures in the toolbar list.
constexpr ButtonSpec kButtons[6] = {
    {CDlgPlayVoiceObject::kPrevious, 4, IDS_PLAY_SAVED_MESSAGE_DIALOG_PLAY_PREVIOUS},
    {CDlgPlayVoiceObject::kStop, 3, IDS_PLAY_SAVED_MESSAGE_DIALOG_STOP},
    {CDlgPlayVoiceObject::kPlayPause, 1, IDS_PLAY_SAVED_MESSAGE_DIALOG_PAUSE},
    {CDlgPlayVoiceObject::kNext, 5, IDS_PLAY_SAVED_MESSAGE_DIALOG_PLAY_NEXT},
    {CDlgPlayVoiceObject::kDelete, 6, IDS_PLAY_SAVED_MESSAGE_DIALOG_DELETE},
    {CDlgPlayVoiceObject::kDeleteNext, 7, IDS_PLAY_SAVED_MESSAGE_DIALOG_DELETE_PLAY_NEXT},
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
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setFixedSize(Du(0, 0, 297, 162).size());

  m_detailsFrame = new QGroupBox(this);
  m_detailsFrame->setGeometry(Du(7, 4, 283, 70));
  m_itemLabel = new QLabel(this);
  m_itemLabel->setGeometry(Du(14, 17, 50, 9));
  m_itemList = new QListWidget(this);
  m_itemList->setGeometry(Du(66, 14, 217, 13));
  m_itemList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_itemList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_itemList->setFocusPolicy(Qt::NoFocus);
  m_itemList->setSelectionMode(QAbstractItemView::NoSelection);
  m_timeLabel = new QLabel(this);
  m_timeLabel->setGeometry(Du(14, 33, 50, 9));
  m_timeEdit = new QLineEdit(this);
  m_timeEdit->setGeometry(Du(66, 31, 150, 12));
  m_timeEdit->setReadOnly(true);
  m_durationText = new QLabel(this);
  m_durationText->setGeometry(Du(222, 33, 61, 9));
  m_durationText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_positionBar = new CXProgressBar(this);
  m_positionBar->setGeometry(Du(14, 60, 269, 9));
  m_positionBar->setRange(0, 0);
  m_positionBar->setValue(0);
  m_positionBar->SetCursorShape(Qt::PointingHandCursor);

  m_analysisFrame = new QGroupBox(this);
  m_analysisFrame->setGeometry(Du(7, 78, 283, 48));
  m_stressLabel = new QLabel(this);
  m_stressLabel->setGeometry(Du(14, 91, 50, 9));
  m_stressBar = new CGradientProgressCtrl(this);
  m_stressBar->setGeometry(Du(66, 90, 217, 10));
  m_graphPlaceholder = new QWidget(this);
  m_graphPlaceholder->setGeometry(Du(14, 106, 269, 17));
  m_conferenceNote = new QLabel(this);
  m_conferenceNote->setGeometry(Du(14, 89, 269, 34));
  m_conferenceNote->setAlignment(Qt::AlignCenter);
  m_conferenceNote->setWordWrap(true);
  m_vsaLink = new CHyperLink(QStringLiteral("VSA"), this);
  m_vsaLink->setGeometry(Du(266, 78, 20, 9));

  int x = 66;
  for (size_t i = 0; i < std::size(kButtons); ++i, x += 28) {
    auto* button = new CButtonSSL(this);
    button->setGeometry(Du(x, 131, 24, 24));
    button->SetStateAndRedraw(CButtonSSL::kAlignHCenter | CButtonSSL::kAlignVCenter);
    button->setFocusPolicy(Qt::StrongFocus);
    const ButtonId id = kButtons[i].id;
    connect(button, &QAbstractButton::clicked, this, [this, id] { ClickButton(id); });
    m_buttons[i] = button;
  }

  connect(m_positionBar, &CXProgressBar::progressClick, this,
          [this](int kind, int value) { OnProgressClick(kind, value); });
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

  PlaceOnScreen();
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

  if (m_analysisOn) {
    m_graph = new C2DPushGraph();
    m_graph->CreateFromStatic(m_graphPlaceholder);
    m_graphPlaceholder = nullptr;
    m_graph->SetCursorShape(Qt::PointingHandCursor);
    connect(m_graph, &C2DPushGraph::graphClick, this, [this](int kind, QPoint at) { OnGraphClick(kind, at.x()); });
    DrawGraph();
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
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect work = screen->availableGeometry();
  const QRect full = screen->geometry();
  if (corner.x >= 0 && corner.y >= 0 && corner.x + width() < work.width() && corner.y + height() < work.height()) {
    move(corner.x, corner.y);
  } else {
    move(((full.width() - width()) / 2 + 4) & ~7, (full.height() - height()) / 2);
  }
}

void CDlgPlayVoiceObject::SetTexts() {
  const bool message = m_message != nullptr;
  setWindowTitle(Lang(message ? IDS_PLAY_SAVED_MESSAGE_DIALOG_TITLE : IDS_PLAY_SAVED_MESSAGE_DIALOG_CONVERSATION_TITLE));
  m_detailsFrame->setTitle(Lang(message ? IDS_PLAY_SAVED_MESSAGE_DIALOG_VOICE_MESSAGE_DETAILS
                                        : IDS_PLAY_SAVED_MESSAGE_DIALOG_VOICE_CONVERSATION_DETAILS));
  m_itemLabel->setText(Lang(message ? IDS_PLAY_SAVED_MESSAGE_DIALOG_CALLER : IDS_PLAY_SAVED_MESSAGE_DIALOG_PARTICIPANTS));
  m_timeLabel->setText(Lang(IDS_PLAY_SAVED_MESSAGE_DIALOG_TIME_OF_CALL));
  m_analysisFrame->setTitle(Lang(IDS_PLAY_SAVED_MESSAGE_DIALOG_VOICE_ANALYSIS));
  m_stressLabel->setText(Lang(IDS_PLAY_SAVED_MESSAGE_DIALOG_STRESS_LEVEL));

  const bool captions = g_ScreenReaderFriendlyMode.Get() != 0;
  for (size_t i = 0; i < std::size(kButtons); ++i) {
    CButtonSSL* button = m_buttons[i];
    button->setText(captions ? Lang(kButtons[i].caption) : QString());
    button->SetTooltipText(Caption(kButtons[i].caption));
    if (g_pImageLists && !captions) button->SetImageList(g_pImageLists->m_toolbarList, kButtons[i].image);
  }
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
