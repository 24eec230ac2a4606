// A program that crashes on purpose after setting up crash reporting as the program does: the
// crash helper builds the report and uploads it. It tells the helper that the report carries one
// settings file, then commits the fault.
//
//   crash_report_probe <segv|overflow|abort|...> <upload URL> <settings file> [thread] [dont-send]
//
// With "dont-send" the helper asks a report dialog, which answers Don't Send.
#include <memory>
#include <string>

#include "foundation/language_tables.h"
#include "net/crash_report_context.h"
#include "net/crash_report_helper.h"
#include "platform/crash_channel.h"
#include "platform/crash_signals.h"
#include "platform/text.h"
#include "tests/helpers/crash_faults.h"

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  bool onThread = false;
  bool dontSend = false;
  for (int i = 4; i < argc; ++i) {
    onThread = onThread || std::string(argv[i]) == "thread";
    dontSend = dontSend || std::string(argv[i]) == "dont-send";
  }
  struct DontSend : CReportDialog {
    int Show(bool, qav::Hwnd, CReportDialogAnswer&) override { return 2; }
  };
  CCrashHelperSetup setup{u"Zarvelin QAV", u"QAV", {qav::U16(argv[2]), u"support@example.invalid"}, {}};
  if (dontSend) setup.makeDialog = [] { return std::make_unique<DontSend>(); };
  const int channel = qav::StartCrashHelper([&setup](int helperChannel) {
    LoadDefaultLangLib();
    return RunCrashReportHelper(helperChannel, setup);
  });
  if (channel < 0 || !qav::InstallCrashSignals(channel)) return 3;

  CCrashReportContext context;
  context.files.push_back({qav::U16(argv[3]), u"User's QAV.ini", false, true});
  context.subject = u"Crash Report for Zarvelin QAV [5.0.0.1]";
  context.body = u"\r\nApp Version: 5.0.0.1";
  if (!qav::SendCrashFrame(channel, qav::kCrashFrameContext, context.Serialize())) return 3;

  const std::string kind = argv[1];
  if (onThread) {
    qav::test::CommitFaultOnThread(kind);
  } else {
    qav::test::CommitFault(kind);
  }
  return 4;  // the fault did not end the program
}
