#include "app/program_components.h"

#include "app/app_messages.h"
#include "app/audio_driver_part.h"
#include "app/crash_reporting.h"
#include "app/dispatcher_link.h"
#include "app/engine_part.h"
#include "app/problem_report_part.h"
#include "app/server_exchange_part.h"
#include "app/video_driver_part.h"
#include "app/web_links.h"
#include "app/worker_threads.h"
#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "audio/virtual_cable_removal.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "skype/link/user_collection.h"

CAppComponents ProgramComponents() {
  CAppComponents components;
  components.currentUserHandle = GetCurrentUserHandleCopy;
  components.link = [] { return std::make_unique<CDispatcherLink>(g_pApp->GuiLoop(), *g_pApp); };
  components.audioDriver = [] { return std::make_unique<CAudioDriverPart>(); };
  components.videoDriver = [] { return std::make_unique<CVideoDriverPart>(); };
  components.engine = [] { return std::make_unique<CEnginePart>(g_pApp->GuiLoop()); };
  components.removeVirtualCable = [] { return RemoveVirtualCableDriver() == 1; };
  components.serverExchange = [] { return std::make_unique<CServerExchangePart>(MakerWebSiteAddress() + u"qav/"); };
  components.workers = [] {
    auto mainWindow = [] { return g_pApp->MainWindow() ? g_pApp->MainWindow()->GetSafeHwnd() : qav::Hwnd{0}; };
    auto reportError = [mainWindow](std::u16string text) {
      qav::PostMessage(mainWindow(), UM_APP_MESSAGEBOX, 0, 0,
                       qav::MakePayload<CQueuedMessageBox>(CQueuedMessageBox{std::move(text), qav::MB_ICONEXCLAMATION}));
    };
    return std::make_unique<CWorkerThreads>(g_pApp->GuiLoop(), mainWindow, reportError);
  };
  components.problemReport = [] { return std::make_unique<CProblemReportPart>(*g_pApp, CrashHelperChannel()); };
  // Still null parts (app/parts/): the property sheet, the tray and the image lists.
  return components;
}
