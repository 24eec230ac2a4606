// The crash helper's work (the process platform/crash_channel.h starts): it keeps the latest
// report context the program sent, and when a crash record arrives it builds the crash report
// from the two (dialog, ZIP, upload, or the saved copy and its message), tells the program the
// report is done and ends. When the program ends without a crash, the helper ends with it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "net/report_dialog.h"
#include "net/rpt_handler.h"

struct CCrashHelperSetup {
  std::u16string title;    // "Zarvelin QAV"
  std::u16string product;  // "QAV"
  CReportDestination destination;
  // Makes the report dialog when a crash is reported (so a toolkit starts only then, in the
  // helper); empty, or giving nothing: the report asks with the message box.
  std::function<std::unique_ptr<CReportDialog>()> makeDialog;
};

// Serves the channel until the program ends or one crash has been reported; the helper's exit
// code (0).
int RunCrashReportHelper(int channel, const CCrashHelperSetup& setup);
