#include "app/zv_app_wnd.h"

#include <unistd.h>

#include <algorithm>

#include "app/app_components.h"
#include "app/app_messages.h"
#include "app/app_sheet_services.h"
#include "app/main_window_poster.h"
#include "app/registry_profile.h"
#include "app/tray_icon.h"
#include "app/zv_app.h"
#include "calls/message_collection.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "foundation/settings_ini.h"
#include "platform/registered_message.h"
#include "skype/link/device_to_skype_cmd.h"
#include "skype/link/skype_protocol_error.h"
#include "skype/link/skype_vocabulary.h"

namespace {

// The automatic check asks the server at most once in this time.
constexpr int64_t kUpdateCheckWeekSec = 604800;
constexpr char16_t kLastCheckForUpdatesKey[] = u"LastCheckForUpdatesDate";

constexpr uint32_t kRefreshFlags[] = {kPageVoiceMessages, kPageConversations, kPageOptions, kPageAbout};

// The messages another process may send or post to the main window: a second copy's close and
// show-page requests, and the sibling application's WM_COPYDATA. Everything else carries meaning
// only from inside the program (a handle, a pointer-sized value, a server result) and is refused.
// The tray: the components' own, else the program's tray logic on the desktop's tray host, else
// the null part.
std::unique_ptr<CAppTray> MakeTrayFor(CZVAppWnd& window, const CAppComponents& components) {
  if (!components.tray && components.trayHost) {
    if (std::unique_ptr<CTrayHost> host = components.trayHost()) return std::make_unique<CTrayIcon>(window, std::move(host));
  }
  return MakeTray(components);
}

bool AcceptedFromOtherProcess(uint32_t message) {
  return message == qav::WM_CLOSE || message == UM_SELECTOPTIONPAGE || message == qav::WM_COPYDATA;
}

}  // namespace

CZVAppWnd::CZVAppWnd(CZVApp& app)
    : m_app(app),
      m_sheetServices(std::make_unique<CAppSheetServices>(app, *this)),
      m_sheet(MakePropertySheet(app.Components(), *m_sheetServices)),
      m_tray(MakeTrayFor(*this, app.Components())),
      m_workers(MakeWorkers(app.Components())),
      m_link(MakeLink(app.Components())),
      m_serverExchange(MakeServerExchange(app.Components())),
      m_problemReport(MakeProblemReport(app.Components())) {}

CZVAppWnd::~CZVAppWnd() {
  if (m_window) {
    CMainWindowPoster::Installed().SetWindow(0);
    qav::KillTimer(m_window.handle(), kTimerTrayIcon);
    qav::KillTimer(m_window.handle(), kTimerTrayClick);
    qav::KillTimer(m_window.handle(), kTimerCallStatus);
    if (m_timer4) qav::KillTimer(m_window.handle(), kTimerUpdateCheck);
  }
  m_driveWatch.Stop();
  if (!m_exited) {
    m_sheet->Destroy();
    m_tray->Remove();
  }
  StopThreads();
}

bool CZVAppWnd::Create() {
  m_taskbarMessage = qav::RegisterWindowMessage("QAVTaskbarMsg");
  if (!m_window.Create(m_app.GuiLoop(), kMainWindowClass, kMainWindowTitle, qav::WindowKind::kTopLevel,
                       [this](qav::Msg& message) { return WindowProc(message); })) {
    return false;
  }
  // The folders below app/ post to this window from now on.
  CMainWindowPoster::Installed().SetWindow(m_window.handle());
  return OnCreate() == 0;
}

int CZVAppWnd::OnCreate() {
  const qav::Hwnd hwnd = m_window.handle();
  m_sheet->Create(u"QAV");
  Localize();
  m_tray->Add(hwnd, m_taskbarMessage);
  qav::SetTimer(hwnd, kTimerTrayIcon, kTrayIconPeriodMs);

  QAV_LOG(LOG_INFO, u"Starting m_SendSMTPThread");
  if (!m_workers->StartMailThread()) QAV_LOG(LOG_WARNING, u"The e-mail thread could not be started");
  QAV_LOG(LOG_INFO, u"Starting m_SendNotifyThread");
  if (!m_workers->StartNotifyThread()) QAV_LOG(LOG_WARNING, u"The sibling-application thread could not be started");

  QAV_LOG(LOG_INFO, u"Starting CSkypeMsgHndl");
  if (m_link->Start(hwnd) < 1) {
    QAV_LOG(LOG_WARNING, u"Failed in CSkypeMsgHndl");
    ExitApplication();
    return 0;
  }

  qav::SetTimer(hwnd, kTimerCallStatus, kCallStatusPeriodMs);
  m_problemReport->RefreshCrashContext();
  // The first update check runs now and starts timer 4.
  m_timer4 = 0;
  qav::SendMessage(hwnd, qav::WM_TIMER, kTimerUpdateCheck);

  // Portable mode ends the program when the medium it runs from goes away.
  const std::u16string drive = m_app.ProgramDrive();
  if (m_app.IsPortable() && !drive.empty()) {
    if (!m_driveWatch.Start(m_app.GuiLoop(), drive, [this] { OnProgramDriveGone(); })) {
      QAV_LOG(LOG_WARNING, u"The removal of [%s] cannot be watched", drive);
    }
  }
  return 0;
}

qav::LResult CZVAppWnd::WindowProc(qav::Msg& message) {
  if (message.senderProcess != 0 && message.senderProcess != static_cast<uint32_t>(getpid()) &&
      !AcceptedFromOtherProcess(message.message)) {
    QAV_LOG(LOG_WARNING, u"CZVAppWnd: message %#x from process %u refused", message.message, message.senderProcess);
    return 0;
  }
  switch (message.message) {
    case UM_LOCALIZE:
      Localize();
      return 0;
    case UM_SELECTOPTIONPAGE:
      ShowSheetPage(static_cast<uint32_t>(message.wParam));
      return 0;
    case UM_UPDATEDLG:
      OnUpdateDlg(static_cast<uint32_t>(message.wParam));
      return 0;
    case UM_REPORTPROBLEM:
      OnReportProblem();
      return 0;
    case UM_CHECKFORUPDATE:
      OnCheckForUpdate(message.wParam == 1);
      return 0;
    case UM_SERVERUPDATEDONE:
      OnServerUpdateDone(message.wParam != 0, message.lParam != 0);
      return 0;
    case UM_BALLOONTIP:
      OnBalloonTip(static_cast<int>(message.wParam), static_cast<int32_t>(message.lParam));
      return 0;
    case UM_BALLOONTIPIFALLOWED:
      if (g_ShowBalloonTips) OnBalloonTip(static_cast<int>(message.wParam), static_cast<int32_t>(message.lParam));
      return 0;
    case UM_ENABLEAPPLY:
      if (m_sheet->Exists()) {
        m_sheet->EnableApply();
      } else {
        SaveSettings();
      }
      return 0;
    case UM_EMAILVOICEMSG: {
      QAV_LOG(LOG_INFO, u"CZVAppWnd::OnEmailSendVoiceMessage");
      // Queued at the message's end: the user may have deleted it since, so it is looked up again
      // by its identity (an address could meanwhile belong to a newer message).
      const auto id = static_cast<VoiceMessageId>(message.wParam);
      if (g_MessageCollection.Find(id) != nullptr) {
        m_workers->MailVoiceMessage(id);
      } else {
        QAV_LOG(LOG_INFO, u"CZVAppWnd::OnEmailSendVoiceMessage: the voice message is gone, nothing to mail");
      }
      return 0;
    }
    case UM_PLAYNEWMSGS:
      QAV_LOG(LOG_INFO, u"Play all New message");
      if (m_sheet->Exists()) m_sheet->PlayNewMessages();
      return 0;
    case qav::WM_TIMER:
      OnTimer(message.wParam);
      return 0;
    case qav::WM_COPYDATA: {
      const auto* data = message.Get<qav::CopyDataPayload>();
      return data && m_workers->OnCopyData(data->view().dwData, data->bytes()) ? 1 : 0;
    }
    case qav::WM_CLOSE:
      ExitApplication();
      return qav::DefWindowProc(message);
    case UM_APP_MESSAGEBOX:
      if (const auto* box = message.Get<CQueuedMessageBox>()) m_app.DoMessageBox(box->text, box->type);
      return 0;
    case UM_APP_REFRESHUI:
      RefreshUI();
      return 0;
    case UM_APP_REFRESHTRAY:
      m_tray->UpdateTrayIcon();
      return 0;
    case UM_APP_OPENURL:
      if (const auto* url = message.Get<std::u16string>()) m_app.Shell().OpenUrl(*url, true);
      return 0;
    case UM_APP_APPLYLANGUAGE:
      if (const auto* path = message.Get<std::u16string>()) m_app.ApplyLanguage(*path);
      return 0;
    default:
      if (m_taskbarMessage != 0 && message.message == m_taskbarMessage) {
        m_tray->OnNotify(static_cast<CTrayEvent>(message.lParam));
        return 0;
      }
      return qav::DefWindowProc(message);
  }
}

void CZVAppWnd::OnTimer(uint64_t id) {
  switch (id) {
    case kTimerTrayIcon:
      m_tray->UpdateTrayIcon();
      break;
    case kTimerTrayClick:
      qav::SendMessage(m_window.handle(), m_taskbarMessage, 0, WM_APP_SYS_TRAY_LBUTTONUP_TIMER);
      break;
    case kTimerCallStatus:
      OnCallStatusTimer();
      m_problemReport->RefreshCrashContext();  // the facts a crash report would carry now
      break;
    case kTimerUpdateCheck:
      OnUpdateCheckTimer();
      break;
    default:
      break;
  }
}

void CZVAppWnd::OnCallStatusTimer() {
  if (!m_link->TransportExists()) return;
  std::vector<int32_t> calls = m_link->CallIdsInProgress();
  if (calls.empty()) {
    if (const auto ringing = m_link->RingingCallId()) calls.push_back(*ringing);
  }
  for (int32_t callId : calls) {
    try {
      DeviceToSkypeCmd command;
      command.GetCall(callId, SkypeCallProp::STATUS);
      m_link->QueueCommand(command);
    } catch (const qav::SkypeProtocolError&) {
      QAV_LOG(LOG_WARNING, u"CZVAppWnd: no status query for call %d", callId);
    }
  }
}

uint32_t CZVAppWnd::UpdateCheckTimerPeriodMs(int64_t periodSec) {
  const int64_t held = std::clamp<int64_t>(periodSec, kMinUpdateCheckPeriodSec, kMaxUpdateCheckPeriodSec);
  return static_cast<uint32_t>(held * 1000 / 5);
}

void CZVAppWnd::OnUpdateCheckTimer() {
  if (m_timer4 == 0) {
    m_timer4 = qav::SetTimer(m_window.handle(), kTimerUpdateCheck,
                             UpdateCheckTimerPeriodMs(m_app.Profile().UpdateCheckPeriodSec));
  }
  // The call client reports the user's status before it names the user: a check needs both, so
  // that the server is never asked on behalf of nobody.
  const CAppCurrentUser user = m_link->CurrentUser();
  if (user.handle.empty()) return;
  if (user.onlineStatus < SkypeOnlineStatus::ONLINE || user.onlineStatus > SkypeOnlineStatus::INVISIBLE) return;
  const int64_t now = qav::CurrentClock().Now().seconds;
  // The stored time counts as well as the one in memory: the dispatcher reloads every setting at
  // sign-in on its own thread, and a reload that read the file just before a check here must not
  // bring the time before the check back.
  const int64_t last = std::max<int64_t>(g_LastCheckForUpdatesDate.Get(), ReadIniUInt(kLastCheckForUpdatesKey, 0));
  if (now - last > kUpdateCheckWeekSec - 1) {
    // Stored at once: the reload at sign-in and the next start read it from the file.
    g_LastCheckForUpdatesDate = now;
    WriteIniInt64(kLastCheckForUpdatesKey, now);
    OnCheckForUpdate(false);
  } else {
    QAV_LOG(LOG_FINE, u"CZVAppWnd::CheckForUpdatesTimer [need to wait more time before next update check]");
  }
}

void CZVAppWnd::Localize() {
  QAV_LOG(LOG_FINE, u"CZVAppWnd::Localize");
  m_sheet->Localize();
}

void CZVAppWnd::RefreshUI() {
  Localize();
  m_sheet->RefreshPages();
}

void CZVAppWnd::ShowSheetPage(uint32_t pageFlag) {
  if (g_bReportInProgress) return;
  m_sheet->ShowPage(pageFlag);
}

void CZVAppWnd::OnUpdateDlg(uint32_t flags) {
  if (!m_sheet->Exists()) return;
  CSheetPages pages;
  for (uint32_t flag : kRefreshFlags) {
    if (flags & flag) pages.flags |= flag;
  }
  if (!pages.Empty()) m_sheet->PagesChanged(pages);
}

void CZVAppWnd::OnBalloonTip(int stringId, int32_t durationMs) {
  const std::u16string text = GetLangString(stringId);
  if (text.empty()) return;
  m_tray->ShowBalloon(text, durationMs, u"");
}

void CZVAppWnd::OnProgramDriveGone() {
  QAV_LOG(LOG_INFO, u"Removable Storage Device Remove Complete [Drv: %s]", m_app.ProgramDrive());
  ExitApplication();
}

void CZVAppWnd::StopThreads() {
  if (m_threadsStopped) return;
  m_threadsStopped = true;
  // The link first: its dispatcher hands work to the state machine and the audio requests.
  if (!m_link->Shutdown(CZVApp::kThreadStopBoundMs)) {
    QAV_LOG(LOG_WARNING, u"The Skype link did not end within %d ms", CZVApp::kThreadStopBoundMs);
  }
  if (!m_workers->Stop(CZVApp::kThreadStopBoundMs)) {
    QAV_LOG(LOG_WARNING, u"The worker threads did not end within %d ms", CZVApp::kThreadStopBoundMs);
  }
  if (!m_serverExchange->Stop(CZVApp::kThreadStopBoundMs)) {
    QAV_LOG(LOG_WARNING, u"The web access thread did not end within %d ms", CZVApp::kThreadStopBoundMs);
  }
}

void CZVAppWnd::ExitApplication() {
  if (m_exited) return;
  m_exited = true;
  QAV_LOG(LOG_FINE, u"Exit Application");
  m_sheet->Destroy();
  m_tray->Remove();
  m_driveWatch.Stop();
  StopThreads();
  m_app.DeleteDriversAndGreetings();
  m_app.GuiLoop().PostQuit(0);
  QAV_LOG(LOG_INFO, u"Exit Application Done");
}

void CZVAppWnd::TearDownForCrash() {
  m_sheet->Destroy();
  m_tray->Remove();
  m_link->Shutdown(CZVApp::kThreadStopBoundMs);
}
