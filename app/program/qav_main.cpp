// QAV's entry point: the application object on the GUI thread's loop, with the real parts this
// build has (app/program_components.h) and the null parts for the rest. With a display the user
// interface takes part too; this file is where the program is put together, the one place in app/
// that includes ui/ (the qav_app library never does).
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/app_messages.h"
#include "app/crash_reporting.h"
#include "app/program_components.h"
#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "foundation/logger.h"
#include "net/curl_global.h"
#include "platform/command_line.h"
#include "platform/message_loop.h"
#include "platform/stop_signals.h"
#include "platform/window.h"
#include "ui/reports/qt_crash_report_ui.h"
#include "ui/bridge/qt_user_interface.h"

#if defined(__SANITIZE_ADDRESS__)
// Leak checks of sanitizer builds: the desktop bus library, which Qt's tray support loads, keeps a
// buffer to the end of the process that is neither the program's nor Qt's to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
#endif

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("QAV %s\n", QAV_VERSION_STRING);
      return 0;
    }
  }
  // Before any thread exists: the crash helper is forked from a process that has only this one
  // thread, and every thread inherits the signal mask. With a display, a crash is reported with
  // the report dialog, which the helper starts Qt for only then.
  StartCrashReporting([&argc, argv] { return MakeQtCrashReportUi(argc, argv); });
  qav::BlockStopSignals();
  // libcurl's global set-up is not thread-safe: done here, before any thread exists.
  qav::net::InitCurlOnce();

  qav::MessageLoop guiLoop;
  CAppComponents components = ProgramComponents();
  // With a display, Qt's event loop drives the GUI thread's loop, message boxes are real boxes and
  // the image lists and the tray icon are Qt's; without one the program runs headless.
  std::unique_ptr<CQtUserInterface> userInterface;
  if (CQtUserInterface::DisplayAvailable()) {
    userInterface = std::make_unique<CQtUserInterface>(argc, argv, guiLoop);
    userInterface->Install(components);
  }
  CZVApp app(guiLoop, std::move(components), qav::CommandLine::FromArgv(argc, argv));

  // A stop request is a close of the main window, the same orderly exit as the tray's Quit.
  qav::StopSignals stopSignals;
  stopSignals.Start(guiLoop, [&app](int signal) {
    QAV_LOG(LOG_INFO, u"Stop request (signal %d)", signal);
    if (CZVAppWnd* window = app.MainWindow()) {
      qav::PostMessage(window->GetSafeHwnd(), qav::WM_CLOSE);
    } else {
      qav::PostQuitMessage(0);
    }
  });
  return app.Run();
}
