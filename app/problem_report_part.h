// The program's problem reports: the report handler (net/rpt_handler.h) filled by the application
// object's report callbacks, and the crash context kept current in the crash helper.
//
// The upload never runs on the GUI thread: it runs on a worker behind the progress dialog (or,
// without one, while the GUI thread serves its loop), so calls are answered meanwhile. When the
// user cancels or the program is asked to end, the upload is stopped through its abort flag and
// the report is kept as an unsent copy.
#pragma once

#include <memory>
#include <string>

#include "app/parts/problem_report.h"
#include "audio/progress_job.h"
#include "net/report_dialog.h"
#include "net/rpt_handler.h"

class CZVApp;

class CProblemReportPart : public CAppProblemReport {
 public:
  // `crashChannel` is the program's end of the crash helper's channel (-1: none). The report asks
  // with the components' report dialog when they give one.
  CProblemReportPart(CZVApp& app, int crashChannel);

  int SendProblemReport() override;
  void RefreshCrashContext() override;

 private:
  int RunUpload(CRptHandler::Upload upload);

  CZVApp& m_app;
  const int m_crashChannel;
  bool m_contextSent = false;
  bool m_contextLost = false;  // said once, not every 15 s
  bool m_reporting = false;
  std::unique_ptr<CReportDialog> m_dialog;
  std::unique_ptr<qav::ProgressDialogRunner> m_progress;
  CRptHandler m_report;
};
