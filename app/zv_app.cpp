#include "app/zv_app.h"

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <ctime>
#include <thread>

#include "app/app_messages.h"
#include "app/app_names.h"
#include "app/headless_message_box.h"
#include "app/startup_checks.h"
#include "app/startup_entry.h"
#include "app/zv_app_wnd.h"
#include "audio/greeting_memory.h"
#include "foundation/app_folders.h"
#include "foundation/file_log_handler.h"
#include "foundation/language_list.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/mem_buf_log_handler.h"
#include "foundation/registry_access.h"
#include "foundation/settings.h"
#include "foundation/version.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/removable_drive.h"
#include "platform/text.h"
#include "platform/window.h"
#include "skype/link/skype_client_info.h"

std::atomic<bool> g_bReportInProgress{false};
CZVApp* g_pApp = nullptr;

namespace {

constexpr int32_t kMemLogLevel = LOG_ALL;
constexpr int32_t kMemLogSlots = 50000;
constexpr int32_t kDebugLogMaxBytes = 5242880;
constexpr uint32_t kMinimumSkypeVersion = 0x03000000;  // 3.0.0.0
constexpr char16_t kSkypeDownloadPage[] = u"https://www.skype.com/en/get-skype/";

// The program file as it runs; its usual name in its folder when the executable cannot be read.
std::u16string RunningProgramPath() {
  std::u16string path = GetRunningProgramPath();
  return path.empty() ? GetAppFolder() + kProgramFileName : path;
}

std::u16string PackedVersionText(uint32_t v) {
  return qav::Format(u"%u.%u.%u.%u", v >> 24, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

std::u16string FileTitleOf(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"/\\");
  std::u16string name(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
  if (name.size() > 5 && qav::EqualsNoCase(std::u16string_view(name).substr(name.size() - 5), u".lang")) {
    name.resize(name.size() - 5);
  }
  return name;
}

std::u16string LocalTimeText(int64_t seconds, const char* format) {
  const time_t t = static_cast<time_t>(seconds);
  struct tm local{};
  char buffer[64];
  if (!localtime_r(&t, &local) || std::strftime(buffer, sizeof buffer, format, &local) == 0) return u"";
  return qav::Utf8ToUtf16(buffer);
}

}  // namespace

CZVApp::CZVApp(qav::MessageLoop& guiLoop, CAppComponents components, qav::CommandLine commandLine)
    : m_guiLoop(guiLoop), m_components(std::move(components)), m_commandLine(std::move(commandLine)) {
  m_request = ParseAppSwitches(m_commandLine);
  m_shell = MakeShell(m_components);
  g_pApp = this;
}

CZVApp::~CZVApp() {
  // Whatever the exit path left (a start-up that ended early) goes here, threads first.
  m_pMainWnd.reset();
  DeleteDriversAndGreetings();
  RemoveLogHandlers();
  // The hooks call back into this object: none may outlive it.
  if (m_settingsHooksInstalled) SetSettingsHooks({});
  if (m_headlessBox && qav::GetMessageBoxHandler() == m_headlessBox.get()) qav::SetMessageBoxHandler(nullptr);
  if (g_pApp == this) g_pApp = nullptr;
}

int CZVApp::DoMessageBox(std::u16string_view text, uint32_t type) {
  return qav::ShowMessageBox(text, kMessageBoxCaption, type);
}

bool CZVApp::StartupFailure() {
  DoMessageBox(qav::Format(GetLangString(IDS_NOTIFY_USER_ERROR_MSG_APP_INIT_FAILED), kProductTitle) + u"\r\n\r\n" +
                   qav::Format(GetLangString(IDS_NOTIFY_USER_ERROR_MSG_APP_NEEDS_TO_SHUT_DOWN), kProductTitle),
               qav::MB_ICONSTOP);
  QAV_LOG(LOG_INFO, u"... bail out");
  return false;
}

bool CZVApp::InitInstance() {
  // Without a user interface, message boxes are logged and answered with their default button.
  if (!qav::GetMessageBoxHandler()) {
    m_headlessBox = std::make_unique<CHeadlessMessageBox>();
    qav::SetMessageBoxHandler(m_headlessBox.get());
  }
  // Sockets: a peer that goes away must fail a write, not end the program.
  signal(SIGPIPE, SIG_IGN);

  // A running copy is found by its main window; nothing is created before "/isrunning" is answered.
  const qav::Hwnd running = qav::FindWindow(kMainWindowClass, std::u16string_view(kMainWindowTitle));
  if (m_request.isRunning) return running != 0;
  if (m_request.shutdown) {
    if (running) qav::SendMessageTimeout(running, qav::WM_CLOSE, 0, 0, kCloseRequestBoundMs);
    return true;
  }

  bool forward = m_request.ForwardRequest();
  if (m_request.table[AppSwitch::INSTALL] && running) {
    qav::SendMessageTimeout(running, qav::WM_CLOSE, 0, 0, kCloseRequestBoundMs);
  }
  if (m_request.table[AppSwitch::UNINSTALL]) {
    if (running) qav::SendMessageTimeout(running, qav::WM_CLOSE, 0, 0, kCloseRequestBoundMs);
    return true;
  }
  if (m_request.removable) {
    m_portable = true;
    g_RemovableMode = true;
    QAV_LOG(LOG_INFO, u"Using flag '/removable'");
  }
  if (m_request.updatePath) {
    const std::u16string target = qav::WithTrailingSlash(*m_request.updatePath);
    if (!target.empty() && access(qav::U8(target + kProgramFileName).c_str(), F_OK) == 0) return RunUpdate(target);
  }

  // A folder or registry file that cannot be used is said as such, not taken for a running copy
  // or a missing call client.
  if (const std::u16string problem = FindStartupProblem(); !problem.empty()) {
    DoMessageBox(problem, qav::MB_ICONSTOP);
    return false;
  }

  // Single instance. The copy that "/install" closed lets go of the lock only when it has ended,
  // so the installer's copy waits for that (bounded) instead of giving up at once.
  const bool locked = m_request.table[AppSwitch::INSTALL]
                          ? m_instanceLock.AcquireWithin(kInstanceLockName, kInstallWaitMs)
                          : m_instanceLock.TryAcquire(kInstanceLockName);
  if (!locked) {
    if (!forward && !m_request.table[AppSwitch::PIMCMD]) {
      DoMessageBox(qav::Format(u"You already have a running instance of %s on your account!\n\nPlease close the "
                               u"current one before starting a new instance.",
                               kProductTitle),
                   qav::MB_ICONEXCLAMATION);
    }
    const qav::Hwnd first = qav::FindWindow(kMainWindowClass, std::u16string_view(kMainWindowTitle));
    if (first && forward) {
      qav::PostMessage(first, UM_SELECTOPTIONPAGE, 0, 0);
      if (m_request.PimContextShowsAgain()) qav::PostMessage(first, UM_SELECTOPTIONPAGE, 0, 0);
    }
    return true;
  }

  m_memLogHandler = std::make_unique<CMemBufLogHandler>(kMemLogLevel, kMemLogSlots);
  g_Logger.AddHandler(m_memLogHandler.get());
  QAV_LOG(LOG_INFO, u"Starting: '%s' '%s'", kAppName, m_commandLine.ToText());

  CSettingsHooks hooks;
  hooks.currentUserHandle = m_components.currentUserHandle;
  hooks.applyLanguage = [this](const std::u16string& path) { ApplyLanguageFromSettings(path); };
  hooks.languageFilePath = [this] { return GetLanguageFilePath(); };
  SetSettingsHooks(std::move(hooks));
  m_settingsHooksInstalled = true;

  if (LanguagesInit(GetLanguageFolder()) < 1) return StartupFailure();

  LoadRegistrySettings();
  InitDebugLog();
  StartupUpdate();
  LoadSettings();
  ApplyLanguage(GetLanguageFilePath());
  // The only copy now: a greeting recording still in the temporary folder is one a crash cut off.
  RemoveLeftoverGreetingRecordings();

  if (m_request.removeVac) {
    const bool removed = m_components.removeVirtualCable && m_components.removeVirtualCable();
    if (!m_components.removeVirtualCable) QAV_LOG(LOG_WARNING, u"No virtual audio cable removal in this program");
    return removed;
  }

  m_programDrive = GetAppDrive();
  if (!m_portable && qav::IsOnRemovableDrive(GetAppFolder())) {
    QAV_LOG(LOG_WARNING,
            u"NOTIFY: QAV is running from a removable drive and the '/removable' flag is not present in cmd line");
    const int answer = DoMessageBox(GetLangString(IDS_NOTIFY_USER_APP_IS_RUNNING_FROM_A_REMOVABLE_DRIVE) + u"\r\n" +
                                        GetLangString(IDS_NOTIFY_USER_START_QAV_WITH_REMOVABLE_STORAGE_FLAG),
                                    qav::MB_YESNO | qav::MB_ICONEXCLAMATION);
    if (answer == qav::IDYES) {
      m_portable = true;
      g_RemovableMode = true;
      QAV_LOG(LOG_INFO, u"Using flag '/removable'");
      m_commandLine = m_commandLine.With(u"/removable");
      LoadSettings();
    }
  }

  if (m_request.useSkypePath) {
    m_userSkypePath = *m_request.useSkypePath;
    if (access(qav::U8(m_userSkypePath).c_str(), F_OK) != 0) {
      QAV_LOG(LOG_WARNING, u"User specific Skype.exe path is bad. File not found. [Path = %s]", m_userSkypePath);
      m_userSkypePath.clear();
    }
    QAV_LOG(LOG_INFO, u"Using flag '/useskypepath': user specific Skype path [%s]", m_userSkypePath);
  }

  SaveSettings();

  QAV_LOG(LOG_INFO, u"Starting %s version: %s [%8.8x]", kAppName, CVersion::GetAppVersion(),
          CVersion::GetAppVersionNumber());

  if (m_portable && !CheckInstalledCopy()) return false;
  if (!CheckSkypeVersion()) return StartupFailure();
  SetInstalledSkypeVersion(m_skypeVersion);

  if (g_SkypeStartUp && !qav::FindWindow(kSkypeMainWindowClass)) StartSkypeMinimized(m_userSkypePath);

  m_imageLists = MakeImageLists(m_components);
  const int32_t colorFlag = m_imageLists->Create();
  QAV_LOG(LOG_INFO, u"Setting Image List with color flag: %d [%#x]", colorFlag, colorFlag);

  m_audioDriver = MakeAudioDriver(m_components);
  if (!m_audioDriver->Start()) QAV_LOG(LOG_WARNING, u"The audio thread could not be started");

  if (!CreateVideoDriver()) QAV_LOG(LOG_WARNING, u"Fail to load Video Driver.");

  QAV_LOG(LOG_INFO, u"Starting main hidden window");
  m_pMainWnd = std::make_unique<CZVAppWnd>(*this);
  if (!m_pMainWnd->Create()) {
    m_pMainWnd.reset();
    return StartupFailure();
  }

  m_engine = MakeEngine(m_components);
  if (!m_engine->Create(m_pMainWnd->GetSafeHwnd())) QAV_LOG(LOG_WARNING, u"The state-machine engine could not start");

  if (forward) {
    qav::PostMessage(m_pMainWnd->GetSafeHwnd(), UM_SELECTOPTIONPAGE, 0, 0);
    if (m_request.PimContextShowsAgain()) qav::PostMessage(m_pMainWnd->GetSafeHwnd(), UM_SELECTOPTIONPAGE, 0, 0);
  }
  return true;
}

bool CZVApp::CheckSkypeVersion() {
  m_skypeVersion = CVersion::GetSkypeVersion(m_userSkypePath);
  const uint32_t version = static_cast<uint32_t>(m_skypeVersion);
  m_skypeVersionText = PackedVersionText(version);
  QAV_LOG(LOG_INFO, u"Installed Skype Version: %s [%8.8x]", m_skypeVersionText, version);
  if (version == 0) {
    if (g_OpenSkypeDotComWhenMissingSkype) m_shell->OpenUrl(kSkypeDownloadPage, true);
    QAV_LOG(LOG_WARNING, u"Skype application not found on computer");
    DoMessageBox(qav::Format(GetLangString(IDS_NOTIFY_USER_SKYPE_APP_NOT_AVAILABLE), kProductTitle),
                 qav::MB_ICONEXCLAMATION);
    return false;
  }
  if (version < kMinimumSkypeVersion) {
    if (g_OpenSkypeDotComWhenMissingSkype) m_shell->OpenUrl(kSkypeDownloadPage, true);
    QAV_LOG(LOG_WARNING, u"Skype minimum version ERROR");
    DoMessageBox(qav::Format(GetLangString(IDS_NOTIFY_USER_SKYPE_MIN_VERSION_NOT_AVAILABLE), kProductTitle),
                 qav::MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

int CZVApp::ExitInstance(int loopExitCode) {
  DeleteDriversAndGreetings();
  if (m_imageLists) m_imageLists->Release();
  m_imageLists.reset();
  if (m_pMainWnd) {
    SaveRegistrySettings();
    StartupUpdate();
    m_pMainWnd.reset();
  }
  LanguagesTerm();
  RemoveLogHandlers();
  return loopExitCode;
}

int CZVApp::Run() {
  if (!InitInstance()) {
    ExitInstance(1);
    return 1;
  }
  if (!m_pMainWnd) return ExitInstance(0);
  std::unique_ptr<qav::LoopRunner> runner = m_components.loopRunner ? m_components.loopRunner() : nullptr;
  return ExitInstance(runner ? runner->RunUntilQuit(m_guiLoop) : m_guiLoop.Run());
}

void CZVApp::RemoveLogHandlers() {
  if (m_fileLogHandler) g_Logger.RemoveHandler(m_fileLogHandler.get());
  if (m_memLogHandler) g_Logger.RemoveHandler(m_memLogHandler.get());
  m_fileLogHandler.reset();
  m_memLogHandler.reset();
}

bool CZVApp::CreateVideoDriver() {
  if (m_videoDriver) return true;
  m_videoDriver = MakeVideoDriver(m_components);
  bool video = false;
  try {
    video = m_videoDriver->Create();
  } catch (...) {
    video = false;
  }
  if (!video) m_videoDriver.reset();
  return video;
}

void CZVApp::DeleteDriversAndGreetings() {
  if (m_videoDriver) m_videoDriver->Delete();
  m_videoDriver.reset();
  if (m_audioDriver && !m_audioDriver->Stop(kThreadStopBoundMs)) {
    QAV_LOG(LOG_WARNING, u"The audio thread did not end within %d ms", kThreadStopBoundMs);
  }
  m_audioDriver.reset();
  if (m_engine) m_engine->Delete();
  m_engine.reset();
  std::lock_guard lock(m_greetingsMutex);
  m_greetingBuddy.reset();
  m_greetingNonBuddy.reset();
}

void CZVApp::InitDebugLog() {
  if (m_profile.LoggingEnabled != 0 && !m_fileLogHandler) {
    m_fileLogHandler =
        std::make_unique<CFileLogHandler>(m_profile.LoggingEnabled, qav::DebugLogBasePath(), kDebugLogMaxBytes, false);
    g_Logger.AddHandler(m_fileLogHandler.get());
  } else if (m_profile.LoggingEnabled == 0 && m_fileLogHandler) {
    g_Logger.RemoveHandler(m_fileLogHandler.get());
    m_fileLogHandler.reset();
  }
}

std::u16string CZVApp::GetLanguageFolder() {
  if (m_languageFolder.empty()) m_languageFolder = GetAppFolder() + u"Language/";
  return m_languageFolder;
}

std::u16string CZVApp::GetLanguageFilePath() const {
  const std::u16string folder = m_languageFolder.empty() ? GetAppFolder() + u"Language/" : m_languageFolder;
  return qav::Format(u"%sZV_%s.lang", folder, qav::ToUpperAscii(m_profile.Language));
}

void CZVApp::ApplyLanguage(const std::u16string& path) {
  const std::u16string previous = m_profile.Language;
  const std::u16string title = FileTitleOf(path);
  if (title.empty() || LoadLangLib(title) < 1) LoadDefaultLangLib();
  std::u16string code = qav::ToUpperAscii(GetLangCodeFromFile());
  if (code.empty()) code = u"EN";  // nothing loaded but the built-in English table
  m_profile.Language = code;
  m_profile.RightToLeft = GetLangString(IDS_LANGUAGE_RTL) == u"TRUE";
  if (m_pMainWnd && code != previous) qav::PostMessage(m_pMainWnd->GetSafeHwnd(), UM_LOCALIZE);
}

void CZVApp::ApplyLanguageFromSettings(const std::u16string& path) {
  if (std::this_thread::get_id() == m_guiThread) {
    ApplyLanguage(path);
    return;
  }
  // Another thread (the sign-in reload runs on the dispatcher's): the GUI thread reads the language
  // and its direction at any time, so the switch is queued to it, ahead of what that thread queues
  // after the load (its boxes and the refresh of the pages).
  if (!m_pMainWnd || !qav::PostMessage(m_pMainWnd->GetSafeHwnd(), UM_APP_APPLYLANGUAGE, 0, 0,
                                       qav::MakePayload<std::u16string>(path))) {
    QAV_LOG(LOG_WARNING, u"CZVApp: the language [%s] cannot reach the main window; the current one stays", path);
  }
}

void CZVApp::LoadRegistrySettings() {
  const qav::AppProfile profile = ProgramProfile();
  LoadRegistryProfile(profile, m_profile);
}

void CZVApp::SaveRegistrySettings() {
  qav::AppProfile profile = ProgramProfile();
  SaveRegistryProfile(profile, m_profile);
}

void CZVApp::StartupUpdate() {
  qav::AppProfile profile = ProgramProfile();
  ::StartupUpdate(m_profile.StartAppWithWindows != 0, RunningProgramPath(), qav::AutostartFolder(), profile);
}

int CZVApp::LoadGreetingMemFile(bool buddy) {
  const std::u16string greeting = buddy ? g_GreetingSoundMsgPath.Get() : g_GreetingSoundMsgPathForNonAuth.Get();
  const GreetingBuild build = BuildGreetingMemFile({GetAppFolder() + u"beep1.wav", greeting, GetAppFolder() + u"beep2.wav"});
  const bool failed = !build.loaded;
  if (failed) {
    // The beeps' paths are never empty: a failed file without a name is the greeting's empty path.
    const std::u16string failedFile = build.failedFile.empty() ? u"(an empty greeting path)" : build.failedFile;
    QAV_LOG(LOG_WARNING,
            buddy ? u"CZVApp::LoadGreetingMemFileBuddy[ Fail to load file %s" : u"CZVApp::LoadGreetingMemFileNonBuddy[ Fail to load file %s",
            failedFile);
  }
  std::shared_ptr<const CWaveMemFile> replaced = build.memFile;
  {
    std::lock_guard lock(m_greetingsMutex);
    (buddy ? m_greetingBuddy : m_greetingNonBuddy).swap(replaced);
  }
  // `replaced` is the old greeting: freed here unless the audio thread still plays it.
  return failed ? 0 : 1;
}

std::shared_ptr<const CWaveMemFile> CZVApp::GetGreetingMemFile(bool buddy) const {
  std::lock_guard lock(m_greetingsMutex);
  return buddy ? m_greetingBuddy : m_greetingNonBuddy;
}

int CZVApp::LoadGreetingMemFileBuddy() { return LoadGreetingMemFile(true); }
int CZVApp::LoadGreetingMemFileNonBuddy() { return LoadGreetingMemFile(false); }

void CZVApp::StartSkypeClient(std::u16string path, std::u16string_view parameters) {
  if (path.empty()) {
    CRegistryAccess registry;
    if (registry.SetRootKey(HKEY_LOCAL_MACHINE) && registry.SetKey(u"Software\\Skype\\Phone", false)) {
      path = registry.ReadString(u"SkypePath", u"");
    }
  }
  QAV_LOG(LOG_INFO, u"Skype Command Line [path=%s, param=%s]", path, parameters);
  if (!path.empty()) m_shell->StartProgram(path, qav::SplitWindowsArguments(parameters));
}

void CZVApp::StartSkypeMinimized(const std::u16string& path) { StartSkypeClient(path, u"/nosplash /minimized"); }

int CZVApp::ReportTerminateCallback(int flag) {
  if (flag == 0) return 1;
  QAV_LOG(LOG_SEVERE, u"!!!!! CZVApp::ReportTerminateCallback !!!!!!");
  m_guiLoop.PostQuit(-1);
  if (m_pMainWnd) m_pMainWnd->TearDownForCrash();
  DeleteDriversAndGreetings();
  return 1;
}

void CZVApp::ReportAddFilesCallback(CProblemReportFiles& report, bool crash) {
  if (crash) {
    QAV_LOG(LOG_WARNING, u"CZVApp::ReportAddFilesCallback - CRASH CRASH CRASH");
    g_bReportInProgress = true;
  } else {
    QAV_LOG(LOG_INFO, u"CZVApp::ReportAddFilesCallback");
  }
  const std::u16string logFile = qav::TempFolder() + qav::Format(u"%sLog.txt", kAppName);
  if (m_memLogHandler && m_memLogHandler->DumpToFile(logFile)) {
    report.AddFile(logFile, qav::Format(u"%s Debug Log", kAppName));
  }
  ReportSettingsAndFacts(report, crash);
}

std::u16string CZVApp::DebugLogFile() const {
  return m_fileLogHandler ? m_fileLogHandler->GetCurrentFilePath() : std::u16string();
}

void CZVApp::ReportSettingsAndFacts(CProblemReportFiles& report, bool crash) {
  report.AddSettingsFile(GetIniFilePath(), u"Global QAV.ini");
  report.AddSettingsFile(GetUserIniPath(), u"User's QAV.ini");
  report.SetSubject(qav::Format(crash ? u"Crash Report for %s [%s]" : u"Problem Report for %s [%s]",
                                kMessageBoxCaption, CVersion::GetAppVersion()));
  const CAppCurrentUser user = m_pMainWnd ? m_pMainWnd->Link().CurrentUser() : CAppCurrentUser{};
  report.SetDescription(
      qav::Format(u"\r\nDate: %s", LocalTimeText(qav::CurrentClock().Now().seconds, "%b %d, %Y, %H:%M")) +
      qav::Format(u"\r\nApp Version: %s", CVersion::GetAppVersion()) +
      qav::Format(u"\r\nSkype Version: %s", m_skypeVersionText) +
      qav::Format(u"\r\nSkype UI langauge: %s", user.clientLanguage) +
      qav::Format(u"\r\nUsers SkypeName: %s", user.handle) + qav::Format(u"\r\nUsers Fullname: %s", user.fullName));
}
