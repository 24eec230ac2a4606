#include "app/problem_report_part.h"

#include "app/app_names.h"
#include "app/crash_reporting.h"
#include "app/loop_serving_progress_runner.h"
#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "foundation/logger.h"
#include "net/crash_report_context.h"
#include "platform/crash_channel.h"
#include "platform/crash_signals.h"

namespace {

// The application's callback fills the report through this.
class HandlerFiles : public CProblemReportFiles {
 public:
  explicit HandlerFiles(CRptHandler& report) : m_report(report) {}
  void AddFile(std::u16string_view path, std::u16string_view name) override { m_report.AddFile(path, name, true); }
  void AddSettingsFile(std::u16string_view path, std::u16string_view name) override {
    m_report.AddSettingsFile(path, name);
  }
  void SetSubject(std::u16string_view subject) override { m_subject = subject; }
  void SetDescription(std::u16string_view description) override { m_description = description; }
  void Finish() { m_report.AddTextInfo(m_subject, m_description); }

 private:
  CRptHandler& m_report;
  std::u16string m_subject;
  std::u16string m_description;
};

// ... and the crash context through this.
class ContextFiles : public CProblemReportFiles {
 public:
  void AddFile(std::u16string_view path, std::u16string_view name) override {
    context.files.push_back({std::u16string(path), std::u16string(name), true, false});
  }
  void AddSettingsFile(std::u16string_view path, std::u16string_view name) override {
    context.files.push_back({std::u16string(path), std::u16string(name), false, true});
  }
  void SetSubject(std::u16string_view subject) override { context.subject = subject; }
  void SetDescription(std::u16string_view description) override { context.body = description; }

  CCrashReportContext context;
};

}  // namespace

CProblemReportPart::CProblemReportPart(CZVApp& app, int crashChannel)
    : m_app(app),
      m_crashChannel(crashChannel),
      m_report(ReportSetup().title, ReportSetup().product, ReportSetup().destination,
               [this](CRptHandler& report, bool crash) {
                 HandlerFiles files(report);
                 m_app.ReportAddFilesCallback(files, crash);
                 files.Finish();
                 return 1;
               },
               [this](CRptHandler&, bool crash) { m_app.ReportTerminateCallback(crash ? 1 : 0); }) {
  if (m_app.Components().reportDialog) m_dialog = m_app.Components().reportDialog();
  m_report.SetDialog(m_dialog.get());
  if (m_app.Components().progressDialog) m_progress = m_app.Components().progressDialog();
  if (!m_progress) m_progress = std::make_unique<CLoopServingProgressRunner>(m_app.GuiLoop());
  m_report.SetUploadRunner([this](CRptHandler::Upload upload) { return RunUpload(std::move(upload)); });
}

int CProblemReportPart::RunUpload(CRptHandler::Upload upload) {
  // The job owns the flag with the upload: after a cancel or an exit request the worker may run
  // on for a moment after this returns.
  auto abort = std::make_shared<std::atomic<bool>>(false);
  const int result = m_progress->RunModal(kMessageBoxCaption, [abort, upload = std::move(upload)](
                                                                  qav::ProgressJobContext& context) {
    qav::PrepareThreadForCrashes();
    return upload(abort.get(), [&context](int percent) { context.PostPosition(percent); });
  });
  if (result == qav::kProgressJobSucceeded) return 1;
  if (result == qav::kProgressJobCancelled) {
    abort->store(true);
    QAV_LOG(LOG_INFO, u"CProblemReportPart: the upload was stopped (cancelled, or the program is ending)");
  }
  return 0;
}

int CProblemReportPart::SendProblemReport() {
  // The GUI thread serves its loop while a report asks and uploads, so the tray can ask again.
  if (m_reporting) {
    QAV_LOG(LOG_INFO, u"CProblemReportPart::SendProblemReport: a report is under way already");
    return 0;
  }
  m_reporting = true;
  const qav::Hwnd parent = m_app.MainWindow() ? m_app.MainWindow()->GetSafeHwnd() : 0;
  const int sent = m_report.GenerateReport(false, parent, nullptr);
  m_reporting = false;
  return sent;
}

void CProblemReportPart::RefreshCrashContext() {
  if (m_crashChannel < 0) return;
  ContextFiles files;
  m_app.ReportSettingsAndFacts(files, true);
  // The memory log cannot be taken out of a crashed process; the debug log file, when the debug
  // log is on, goes in its place (and stays where it is).
  if (const std::u16string log = m_app.DebugLogFile(); !log.empty()) {
    files.context.files.push_back({log, qav::Format(u"%s Debug Log", kAppName), false, false});
  }
  if (!qav::SendCrashFrame(m_crashChannel, qav::kCrashFrameContext, files.context.Serialize())) {
    if (!m_contextLost) QAV_LOG(LOG_WARNING, u"CProblemReportPart::RefreshCrashContext: the crash reporter cannot be told");
    m_contextLost = true;
  } else if (!m_contextSent) {
    m_contextSent = true;
    QAV_LOG(LOG_FINE, u"CProblemReportPart::RefreshCrashContext: the crash reporter knows what a report carries");
  }
}
