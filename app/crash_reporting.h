// Crash reporting for the program: the crash helper process and the fatal-signal handler.
//
// StartCrashReporting is the first thing main does, before any thread exists: it forks the
// helper (which builds and sends the report of a crash, net/crash_report_helper.h) and installs
// the handler (platform/crash_signals.h). The problem-report part (app/problem_report_part.h)
// keeps the helper told what a crash report would carry.
#pragma once

#include <functional>
#include <memory>

#include "net/crash_report_helper.h"
#include "net/report_dialog.h"

// The maker's support address, named to users whose report could not be sent.
inline constexpr char16_t kSupportAddress[] = u"support@zarvelin.com";

// Where reports go and what they are called.
CCrashHelperSetup ReportSetup();

// Starts the helper and installs the handler. Call once, first thing in main. `makeDialog` (may be
// empty) makes the report dialog in the helper when a crash is reported.
void StartCrashReporting(std::function<std::unique_ptr<CReportDialog>()> makeDialog = {});

// The program's end of the channel to the helper (-1 when there is none).
int CrashHelperChannel();
