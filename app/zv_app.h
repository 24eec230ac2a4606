// CZVApp: the program's one application object.
//
// Its start-up decides whether this process becomes the running copy at all: it answers the
// switches of a second copy and of the installer ("/isrunning", "/shutdown", "/install",
// "/uninstall"), forwards a start request to a copy that already runs, updates a copy on a
// removable drive, checks the call client, and then builds the program's long-lived objects in a
// fixed order. Its exit path releases them again, each thread stopped and joined within a bound.
//
// It owns the registry profile record, the main window, the two log handlers, the single-instance
// lock and the parts CAppComponents gives it (image lists, audio driver, video driver, engine).
// Everything here runs on the GUI thread, whose loop is given at construction.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/app_components.h"
#include "app/app_switches.h"
#include "app/parts/problem_report_files.h"
#include "app/registry_profile.h"
#include "platform/command_line.h"
#include "platform/named_mutex.h"
#include "platform/message_loop.h"

class CFileLogHandler;
class CMemBufLogHandler;
class CWaveMemFile;
class CZVAppWnd;
class CHeadlessMessageBox;

// Set once when the crash handler starts building a report: the tray then shows its first image,
// tooltips stay, and the main window ignores requests to show a page.
extern std::atomic<bool> g_bReportInProgress;

class CZVApp {
 public:
  // How long a stopped thread is waited for at exit, and how long "/install" waits for the copy
  // it replaces to let go of the lock.
  static constexpr int kThreadStopBoundMs = 3000;
  static constexpr int kInstallWaitMs = 10000;
  // How long a second copy waits for the running one to handle its close request.
  static constexpr int kCloseRequestBoundMs = 15000;

  CZVApp(qav::MessageLoop& guiLoop, CAppComponents components, qav::CommandLine commandLine);
  ~CZVApp();
  CZVApp(const CZVApp&) = delete;
  CZVApp& operator=(const CZVApp&) = delete;

  // Start-up; true keeps the process (it then runs the loop when a main window exists), false
  // ends it.
  bool InitInstance();
  // The exit path after the loop has ended; returns the exit code.
  int ExitInstance(int loopExitCode);
  // InitInstance, the loop (only with a main window; served by the components' loop runner when
  // they give one), ExitInstance: the process's exit status. A
  // start-up that returns false gives 1, one that ends without a main window 0.
  int Run();

  // Every message box of the program: the installed handler, captioned "Zarvelin QAV".
  int DoMessageBox(std::u16string_view text, uint32_t type);

  void InitDebugLog();
  std::u16string GetLanguageFolder();
  std::u16string GetLanguageFilePath() const;
  // Switches the program's language (the profile's language and right-to-left flag, read by the
  // GUI thread at any time). GUI thread only.
  void ApplyLanguage(const std::u16string& path);
  void LoadRegistrySettings();
  void SaveRegistrySettings();
  void StartupUpdate();
  // Rebuild a greeting in memory and put it in place of the old one (any thread).
  int LoadGreetingMemFileBuddy();
  int LoadGreetingMemFileNonBuddy();
  // The greeting in place for contacts (buddy) or for other callers; null before the first build
  // and after the exit path. The holder keeps it alive while a newer one takes its place.
  std::shared_ptr<const CWaveMemFile> GetGreetingMemFile(bool buddy) const;
  void StartSkypeClient(std::u16string path, std::u16string_view parameters);
  void StartSkypeMinimized(const std::u16string& path);
  // The crash handler's terminate callback: with a non-zero flag, quits and tears down.
  int ReportTerminateCallback(int flag);
  // The report handler's callback that fills a crash (or problem) report.
  void ReportAddFilesCallback(CProblemReportFiles& report, bool crash);
  // What every report carries besides the log: the two settings files, the subject and the facts.
  void ReportSettingsAndFacts(CProblemReportFiles& report, bool crash);
  // The debug log file being written, "" while the debug log is off.
  std::u16string DebugLogFile() const;

  // Builds the video driver when there is none (start-up, and the greeting page's retry); false
  // when the webcam application or its library is not there.
  bool CreateVideoDriver();
  // The main window's exit path: the video driver, the audio driver (its thread joined), the
  // engine and the greetings in memory, each when present.
  void DeleteDriversAndGreetings();

  CRegistryProfile& Profile() { return m_profile; }
  CZVAppWnd* MainWindow() { return m_pMainWnd.get(); }
  qav::MessageLoop& GuiLoop() { return m_guiLoop; }
  const CAppComponents& Components() const { return m_components; }
  CAppShell& Shell() { return *m_shell; }
  bool IsPortable() const { return m_portable; }
  // The mount point of the program's file system (its "drive").
  const std::u16string& ProgramDrive() const { return m_programDrive; }
  const std::u16string& SkypeVersionText() const { return m_skypeVersionText; }
  int32_t SkypeVersion() const { return m_skypeVersion; }
  const std::u16string& UserSkypePath() const { return m_userSkypePath; }
  const qav::CommandLine& CommandLine() const { return m_commandLine; }

 private:
  bool StartupFailure();
  bool RunUpdate(const std::u16string& targetFolder);
  // The installed-copy check of portable mode; false when start-up is to end (an update started).
  bool CheckInstalledCopy();
  bool CheckSkypeVersion();
  int LoadGreetingMemFile(bool buddy);
  // The settings' language switch: ApplyLanguage on the GUI thread, queued to it from any other.
  void ApplyLanguageFromSettings(const std::u16string& path);
  void RemoveLogHandlers();

  qav::MessageLoop& m_guiLoop;
  // The thread that made this object: the GUI thread, which runs m_guiLoop.
  const std::thread::id m_guiThread = std::this_thread::get_id();
  CAppComponents m_components;
  qav::CommandLine m_commandLine;
  CAppStartRequest m_request;
  CRegistryProfile m_profile;
  qav::NamedMutex m_instanceLock;
  std::unique_ptr<CHeadlessMessageBox> m_headlessBox;
  std::unique_ptr<CMemBufLogHandler> m_memLogHandler;
  std::unique_ptr<CFileLogHandler> m_fileLogHandler;
  std::unique_ptr<CAppShell> m_shell;
  std::unique_ptr<CImageListsPart> m_imageLists;
  std::unique_ptr<CAppAudioDriver> m_audioDriver;
  std::unique_ptr<CAppVideoDriver> m_videoDriver;
  std::unique_ptr<CAppEngine> m_engine;
  std::unique_ptr<CZVAppWnd> m_pMainWnd;
  std::u16string m_languageFolder;
  std::u16string m_programDrive;
  std::u16string m_userSkypePath;
  std::u16string m_skypeVersionText;
  int32_t m_skypeVersion = 0;
  bool m_portable = false;
  mutable std::mutex m_greetingsMutex;
  std::shared_ptr<const CWaveMemFile> m_greetingBuddy;
  std::shared_ptr<const CWaveMemFile> m_greetingNonBuddy;
  bool m_logHandlersRemoved = false;
  bool m_settingsHooksInstalled = false;
};

// The program's application object while it exists; null otherwise.
extern CZVApp* g_pApp;
