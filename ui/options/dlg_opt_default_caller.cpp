#include "ui/options/dlg_opt_default_caller.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <unistd.h>

#include "app/web_links.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/text.h"
#include "ui/controls/button_ssl.h"
#include "ui/controls/hyper_link.h"
#include "ui/options/icon_button_bar.h"
#include "ui/options/options_page_site.h"
#include "ui/controls/wait_cursor.h"
#include "ui/sheet/sheet_services.h"

namespace {
const CDlgOptGreeting::Settings kContacts = {
    .forContacts = true,
    .headerText = 600,
    .extraGreetingRows = 1,
    .playHandler = "OnButtonGreetingAudioPlay",
    .recordHandler = "OnButtonGreetingAudioRecord",
    .handlers = {.browse = "OnButtonGreetingAudioBrowse",
                 .play = "OnButtonGreetingAudioPlay",
                 .record = "OnButtonGreetingAudioRecord",
                 .textSwitch = "OnCheckGreetingTextMsgEnabled",
                 .text = "OnChangeEditGreetingTextMsg",
                 .reset = "OnButtonResetTextGreeting",
                 .length = "OnChangeEditMaxRecordingDuration",
                 .mail = "OnCheckEMailNotificationAllowed",
                 .attach = "OnCheckEMailAttachemtnAllowed",
                 .deleteAfterMail = "OnCheckAutoDeleteAfterEmailAllow"},
    .voiceFilter = u"Sound files (*.wav *.mp3);;All Files (*)",
    .voicePath = &g_GreetingSoundMsgPath,
    .textAllowed = &g_GreetingTextMsgAllowed,
    .text = &g_GreetingTextMsg,
    .maxDuration = &g_MaxRecordingDurationSec,
    .mailAllowed = &g_EMailNotificationAllowed,
    .attachAllowed = &g_EMailAttachmentAllowed,
    .deleteAfterMail = &g_AutoDelMsgAfterEMailAllowed,
    .ids = {.header = 1185, .group = 1186, .voiceLabel = 1147, .voicePath = 1013, .browse = 1198, .play = 1199,
            .record = 1250, .textLabel = 1148, .textSwitch = 1020, .text = 1037, .reset = 1284, .lengthGroup = 1187,
            .lengthEdit = 1077, .lengthLabel = 1079, .mailGroup = 1149, .mail = 1172, .attach = 1173,
            .deleteAfterMail = 1233}};
constexpr int kPlayImage = 0;
constexpr int kFileNotFoundError = 2;
constexpr int kNoHandlerError = 31;
constexpr int kBrowseImage = 5;
}  // namespace

CDlgOptDefaultCaller::CDlgOptDefaultCaller(COptionsPageSite& site, QWidget* parent)
    : CDlgOptGreeting(site, kDialogId, "CDlgOptDefaultCaller", kContacts, parent) {
  Trace("OnInitDialog");
  m_videoLabel = Add<QLabel>(1150, "videoLabel");
  m_videoAllowed = Add<QCheckBox>(1021, "videoAllowed");
  m_videoPath = Add<QLineEdit>(1014, "videoPath");
  m_videoBrowse = Add<CButtonSSL>(1200, "browseVideo");
  m_videoPlay = Add<CButtonSSL>(1201, "playVideo");
  m_supportLink = new CHyperLink(QString(), this);
  m_supportLink->setObjectName(QStringLiteral("videoSupportLink"));
  m_supportLink->setProperty(kControlIdProperty, 1151);
  m_supportButton = Add<QPushButton>(1151, "videoSupportButton");
  // The video row lines up with the voice row above it: its buttons under the voice's browse and
  // play. Without the video driver the support link (or button) stands where the switch starts.
  QGridLayout* grid = GreetingGrid();
  const int row = ExtraGreetingRow(0);
  grid->addWidget(m_videoLabel, row, kLabelColumn);
  grid->addWidget(m_videoAllowed, row, kSwitchColumn);
  grid->addWidget(m_videoPath, row, kFieldColumn);
  m_videoBar = AddIconBar({m_videoBrowse, m_videoPlay});
  m_videoBar->PlaceIn(grid, row, kButtonColumn, kSwitchColumn, Qt::AlignLeft | Qt::AlignVCenter);
  grid->addWidget(m_supportLink, row, kSwitchColumn, 1, -1, Qt::AlignLeft | Qt::AlignVCenter);
  grid->addWidget(m_supportButton, row, kSwitchColumn, 1, -1, Qt::AlignLeft | Qt::AlignVCenter);
  m_videoPath->setReadOnly(true);
  ColourIconButton(m_videoBrowse, kBrowseImage);
  ColourIconButton(m_videoPlay, kPlayImage);
  m_supportLink->SetUnderline(CHyperLink::kUnderlineAlways);
  m_supportLink->SetColours(0xEE0000, 0xEE0000, 0xEE0000);
  m_supportLink->SetAutoOpen(false);
  // Sized to its text by the layout.
  m_supportLink->SetAutoSize(false);
  connect(m_videoAllowed, &QCheckBox::clicked, this, &CDlgOptDefaultCaller::OnCheckGreetingVideoEnabled);
  connect(m_videoBrowse, &CButtonSSL::clicked, this, &CDlgOptDefaultCaller::OnButtonGreetingVideoBrowse);
  connect(m_videoPlay, &CButtonSSL::clicked, this, &CDlgOptDefaultCaller::OnButtonGreetingVideoPlay);
  connect(m_supportLink, &CHyperLink::clicked, this, &CDlgOptDefaultCaller::OnVideoDriverSupport);
  connect(m_supportButton, &QPushButton::clicked, this, &CDlgOptDefaultCaller::OnVideoDriverSupport);
  if (!Services().HasVideoDriver()) TryCreateVideoDriver();
  Localize();
  UpdateDlg();
}

void CDlgOptDefaultCaller::Localize() {
  CDlgOptGreeting::Localize();
  SetText(1150, 603);
  m_supportLink->setText(Lang(604));
  m_supportLink->SetURL(Lang(604));
  m_supportButton->setText(Lang(604));
  SetIconButtonTip(m_videoBrowse, 635);
  SetIconButtonTip(m_videoPlay, 636);
}

void CDlgOptDefaultCaller::UpdateDlg() {
  CDlgOptGreeting::UpdateDlg();
  const bool driver = Services().HasVideoDriver();
  const bool video = driver && g_GreetingVideoAllowed.Get() != 0;
  ShowAndEnable(m_videoLabel, driver);
  m_videoBar->setVisible(driver);
  ShowAndEnable(m_videoAllowed, driver);
  m_videoAllowed->setChecked(g_GreetingVideoAllowed.Get() != 0);
  m_videoPath->setText(QString::fromStdU16String(g_GreetingVideoMsgPath.Get()));
  for (QWidget* control : {static_cast<QWidget*>(m_videoPath), static_cast<QWidget*>(m_videoBrowse),
                           static_cast<QWidget*>(m_videoPlay)}) {
    control->setVisible(driver);
    control->setEnabled(video);
  }
  // A link is out of reach of the keyboard: screen-reader mode offers the same as a button.
  ShowAndEnable(m_supportLink, !driver && !ScreenReaderMode());
  ShowAndEnable(m_supportButton, !driver && ScreenReaderMode());
  SetIconButtonTip(m_videoBrowse, 635);
  SetIconButtonTip(m_videoPlay, 636);
}

void CDlgOptDefaultCaller::TryCreateVideoDriver() {
  bool created = false;
  {
    const WaitCursor wait;
    created = Services().CreateVideoDriver();
  }
  if (!created) QAV_LOG(LOG_WARNING, u"Can't find Video Driver.");
}

void CDlgOptDefaultCaller::OnVideoDriverSupport() {
  Trace("OnVideoDriverSupport");
  if (!Services().HasVideoDriver()) TryCreateVideoDriver();
  UpdateDlg();
  if (Services().HasVideoDriver()) return;
  QAV_LOG(LOG_INFO, u"Open web site for more information.");
  Services().OpenUrl(ProductPageLink(u"applinks/video/", {{u"lang", GetLangCodeFromFile()}}));
}

void CDlgOptDefaultCaller::OnCheckGreetingVideoEnabled() {
  Trace("OnCheckGreetingVideoEnabled");
  OnCheck(m_videoAllowed, g_GreetingVideoAllowed);
  UpdateDlg();
}

void CDlgOptDefaultCaller::OnButtonGreetingVideoBrowse() {
  Trace("OnButtonGreetingVideoBrowse");
  RecordingStopped();
  PlayingStopped();
  const std::optional<std::u16string> chosen =
      Site().ChooseOpenFile(this, GetLangString(IDS_OPT_DEFAULT_CALLER_SELECT_GREETING_FILE),
                            g_GreetingVideoMsgPath.Get(), u"Video files (*.avi *.mpg *.mpeg);;All Files (*)");
  if (chosen && *chosen != g_GreetingVideoMsgPath.Get() && OnProgramDrive(*chosen)) {
    g_GreetingVideoMsgPath = *chosen;
    SetModified();
  }
  UpdateDlg();
}

void CDlgOptDefaultCaller::OnButtonGreetingVideoPlay() {
  Trace("OnButtonGreetingVideoPlay");
  const std::u16string path = g_GreetingVideoMsgPath.Get();
  QAV_LOG(LOG_INFO, u"Video Greeting to play: %s", path);
  // The desktop's player for the file's kind shows it, as the user's own double-click would.
  if (Services().OpenLocalFile(path)) return;
  // The shell's codes: the file is missing, or nothing on the desktop opens its kind.
  const int error = access(qav::U8(path).c_str(), F_OK) == 0 ? kNoHandlerError : kFileNotFoundError;
  QAV_LOG(LOG_WARNING, u"Video Greeting play failed with ERROR: %d", error);
}
