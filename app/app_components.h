// Which implementation each part of the program gets: the program's main() fills this with the
// real parts that exist, tests with their doubles. A factory left empty gives the null part of
// app/parts/ beside its interface.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/parts/audio_driver.h"
#include "app/parts/engine.h"
#include "app/parts/image_lists.h"
#include "app/parts/link.h"
#include "app/parts/problem_report.h"
#include "app/parts/property_sheet.h"
#include "app/parts/server_exchange.h"
#include "app/parts/sheet_services.h"
#include "app/parts/shell.h"
#include "app/parts/tray.h"
#include "app/parts/video_driver.h"
#include "app/parts/workers.h"
#include "net/report_dialog.h"
#include "app/tray_host.h"
#include "audio/progress_job.h"
#include "platform/loop_runner.h"

struct CAppComponents {
  // The current call-client user's handle, asked for by the settings store from any thread ("" for
  // none; empty: no user is ever known).
  std::function<std::u16string()> currentUserHandle;
  // The virtual audio cable removal of "/removeqavvac"; true when it succeeded (empty: fails).
  std::function<bool()> removeVirtualCable;
  // Serves the GUI thread's loop from start-up to exit (a toolkit's event loop driving it); empty:
  // the loop serves itself (MessageLoop::Run).
  std::function<std::unique_ptr<qav::LoopRunner>()> loopRunner;
  // Built by the application object at start-up.
  std::function<std::unique_ptr<CImageListsPart>()> imageLists;
  std::function<std::unique_ptr<CAppAudioDriver>()> audioDriver;
  std::function<std::unique_ptr<CAppVideoDriver>()> videoDriver;
  std::function<std::unique_ptr<CAppEngine>()> engine;
  std::function<std::unique_ptr<CAppShell>()> shell;
  // Built by the main window; the sheet asks the program through the services it is given, which
  // outlive it.
  std::function<std::unique_ptr<CAppPropertySheet>(CSheetServices&)> propertySheet;
  std::function<std::unique_ptr<CAppTray>()> tray;
  // The desktop's tray for the program's own tray logic (app/tray_icon.h), used when `tray` is
  // empty; without either the tray is the null part.
  std::function<std::unique_ptr<CTrayHost>()> trayHost;
  std::function<std::unique_ptr<CAppWorkers>()> workers;
  std::function<std::unique_ptr<CAppLink>()> link;
  std::function<std::unique_ptr<CAppServerExchange>()> serverExchange;
  std::function<std::unique_ptr<CAppProblemReport>()> problemReport;
  // The report dialog of the user interface, which the problem report asks with (empty: the
  // report asks with a Yes/No message box).
  std::function<std::unique_ptr<CReportDialog>()> reportDialog;
  // The progress dialog a problem report uploads behind (empty: the upload runs on a worker while
  // the GUI thread serves its loop, with no window).
  std::function<std::unique_ptr<qav::ProgressDialogRunner>()> progressDialog;
};

// Each factory's part, or the null part where the factory is empty (or gives nothing).
std::unique_ptr<CImageListsPart> MakeImageLists(const CAppComponents& components);
std::unique_ptr<CAppAudioDriver> MakeAudioDriver(const CAppComponents& components);
std::unique_ptr<CAppVideoDriver> MakeVideoDriver(const CAppComponents& components);
std::unique_ptr<CAppEngine> MakeEngine(const CAppComponents& components);
std::unique_ptr<CAppShell> MakeShell(const CAppComponents& components);
std::unique_ptr<CAppPropertySheet> MakePropertySheet(const CAppComponents& components, CSheetServices& services);
std::unique_ptr<CAppTray> MakeTray(const CAppComponents& components);
std::unique_ptr<CAppWorkers> MakeWorkers(const CAppComponents& components);
std::unique_ptr<CAppLink> MakeLink(const CAppComponents& components);
std::unique_ptr<CAppServerExchange> MakeServerExchange(const CAppComponents& components);
std::unique_ptr<CAppProblemReport> MakeProblemReport(const CAppComponents& components);
