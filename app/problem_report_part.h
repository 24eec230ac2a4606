// The program's problem reports: the report handler (net/rpt_handler.h) filled by the application
// object's report callbacks, and the crash context kept current in the crash helper.
#pragma once

#include <string>

#include "app/parts/problem_report.h"
#include "net/rpt_handler.h"

class CZVApp;

class CProblemReportPart : public CAppProblemReport {
 public:
  // `crashChannel` is the program's end of the crash helper's channel (-1: none).
  CProblemReportPart(CZVApp& app, int crashChannel);

  int SendProblemReport() override;
  void RefreshCrashContext() override;

 private:
  CZVApp& m_app;
  const int m_crashChannel;
  bool m_contextSent = false;
  CRptHandler m_report;
};
