// The problem-report part: builds and sends a problem report through the report handler when the
// user asks for one; without it CNullProblemReport stands in. GUI thread only.
#pragma once

class CAppProblemReport {
 public:
  virtual ~CAppProblemReport() = default;
  // Builds and sends a problem report; 1 when it was sent.
  virtual int SendProblemReport() = 0;
  // Tells the crash reporter what a crash report would carry now (the settings files, the
  // subject and the facts), since nothing can be asked of the program once it has crashed.
  virtual void RefreshCrashContext() = 0;
};

// No report handler: the request is logged, nothing is sent.
class CNullProblemReport : public CAppProblemReport {
 public:
  int SendProblemReport() override;
  void RefreshCrashContext() override {}
};
