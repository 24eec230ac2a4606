// The program's problem reports: the report handler (net/rpt_handler.h) filled by the application
// object's report callbacks, and the crash context kept current in the crash helper.
#pragma once

#include <memory>
#include <string>

#include "app/parts/problem_report.h"
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
  CZVApp& m_app;
  const int m_crashChannel;
  bool m_contextSent = false;
  bool m_contextLost = false;  // said once, not every 15 s
  std::unique_ptr<CReportDialog> m_dialog;
  CRptHandler m_report;
};
