// CZVAppWnd: the program's hidden main window (class "ZarvelinMainWnd", title "QAV").
//
// It is the hub through which the other subsystems and threads reach the user interface: they
// post it the private messages of app/app_messages.h, and it forwards them to the property sheet,
// the tray icon or a worker thread. It owns the timers of the tray icon, the delayed single click,
// the call-status queries and the update check, and the parts it drives: the property sheet, the
// tray (which keeps the link of the last balloon), the worker threads, the Skype link, the server
// exchange and the problem reports.
//
// The window is on the desktop bus, so a second copy of the program finds it by class and title
// and sends it WM_CLOSE or the show-page request. Everything here runs on the GUI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/parts/link.h"
#include "app/parts/problem_report.h"
#include "app/parts/property_sheet.h"
#include "app/parts/server_exchange.h"
#include "app/parts/sheet_services.h"
#include "app/parts/tray.h"
#include "app/parts/workers.h"
#include "platform/mount_watch.h"
#include "platform/window.h"

class CZVApp;

class CZVAppWnd {
 public:
  explicit CZVAppWnd(CZVApp& app);
  // Kills the timers it holds, ends what ExitApplication did not (threads first) and destroys
  // the window.
  ~CZVAppWnd();
  CZVAppWnd(const CZVAppWnd&) = delete;
  CZVAppWnd& operator=(const CZVAppWnd&) = delete;

  // Creates the window on the application's loop and builds its world (OnCreate). False when the
  // window cannot be created.
  bool Create();
  qav::Hwnd GetSafeHwnd() const { return m_window.handle(); }

  // The same as UM_SELECTOPTIONPAGE, for the tray menu.
  void ShowSheetPage(uint32_t pageFlag);
  // Re-localises, then rebuilds the sheet's pages (called by the dispatcher).
  void RefreshUI();
  void Localize();
  // The orderly shut-down: sheet, tray, Skype link, worker threads, drivers, engine and greetings,
  // each thread joined within a bound, then the quit message. Runs once.
  void ExitApplication();
  // The crash terminate callback's part: the sheet, the tray icon and the Skype link.
  void TearDownForCrash();

  // The registered message of the tray icon's callback.
  uint32_t TaskbarMessage() const { return m_taskbarMessage; }
  // The period of timer 4 for an update-check period in seconds: the period, held to its range,
  // times 1000 / 5, computed in 64 bits.
  static uint32_t UpdateCheckTimerPeriodMs(int64_t periodSec);

  CAppPropertySheet& Sheet() { return *m_sheet; }
  CAppTray& Tray() { return *m_tray; }
  CAppWorkers& Workers() { return *m_workers; }
  CAppLink& Link() { return *m_link; }
  CAppServerExchange& ServerExchange() { return *m_serverExchange; }
  bool UpdateCheckTimerRunning() const { return m_timer4 != 0; }

 private:
  qav::LResult WindowProc(qav::Msg& message);
  int OnCreate();
  void OnTimer(uint64_t id);
  void OnCallStatusTimer();
  void OnUpdateCheckTimer();
  void OnUpdateDlg(uint32_t flags);
  void OnBalloonTip(int stringId, int32_t durationMs);
  void OnCheckForUpdate(bool manual);
  void OnServerUpdateDone(bool manual, bool result);
  void OnServerUpdateLatestVersion(bool manual);
  // The question whether to download a newer version (the notice of `noticeId`, then "Press OK to
  // start downloading"); OK opens the link.
  void AskToDownload(int noticeId, const std::u16string& link, const char16_t* openedLog, const char16_t* declinedLog);
  void OnReportProblem();
  void OnProgramDriveGone();
  // A server flag of the reply: stores it, logs a change, and deletes the profile value when it
  // goes from 1 to 0.
  void UpdateServerFlag(const char16_t* path, const char16_t* profileValue, int32_t& flag, const char16_t* logFormat);
  void StopThreads();

  CZVApp& m_app;
  qav::Window m_window;
  // Before the sheet, which is given them and goes first.
  std::unique_ptr<CSheetServices> m_sheetServices;
  std::unique_ptr<CAppPropertySheet> m_sheet;
  std::unique_ptr<CAppTray> m_tray;
  std::unique_ptr<CAppWorkers> m_workers;
  std::unique_ptr<CAppLink> m_link;
  std::unique_ptr<CAppServerExchange> m_serverExchange;
  std::unique_ptr<CAppProblemReport> m_problemReport;
  qav::MountWatch m_driveWatch;
  uint32_t m_taskbarMessage = 0;
  uint64_t m_timer4 = 0;
  bool m_exited = false;
  bool m_threadsStopped = false;
};
