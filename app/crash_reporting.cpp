#include "app/crash_reporting.h"

#include "app/app_names.h"
#include "app/headless_message_box.h"
#include "app/web_links.h"
#include "foundation/language_tables.h"
#include "platform/crash_channel.h"
#include "platform/crash_signals.h"

namespace {

int g_channel = -1;
std::function<std::unique_ptr<CReportDialog>()> g_makeDialog;

// The helper's life: it waits for a crash and then reports it. Without a dialog its questions and
// notices go where the program's would without a user interface; its texts are the built-in
// English ones (the helper was started before the program read its settings).
int RunHelper(int channel) {
  CHeadlessMessageBox boxes;
  qav::SetMessageBoxHandler(&boxes);
  LoadDefaultLangLib();
  CCrashHelperSetup setup = ReportSetup();
  setup.makeDialog = g_makeDialog;
  const int code = RunCrashReportHelper(channel, setup);
  qav::SetMessageBoxHandler(nullptr);
  return code;
}

}  // namespace

CCrashHelperSetup ReportSetup() {
  return {kMessageBoxCaption, kAppName,
          CReportDestination{MakerWebSiteAddress() + u"qav/applinks/report/index.php", kSupportAddress}, {}};
}

void StartCrashReporting(std::function<std::unique_ptr<CReportDialog>()> makeDialog) {
  g_makeDialog = std::move(makeDialog);
  g_channel = qav::StartCrashHelper(RunHelper);
  qav::InstallCrashSignals(g_channel);
}

int CrashHelperChannel() { return g_channel; }
