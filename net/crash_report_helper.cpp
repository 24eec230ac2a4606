#include "net/crash_report_helper.h"

#include <optional>

#include "foundation/logger.h"
#include "net/crash_report_context.h"
#include "platform/crash_channel.h"

int RunCrashReportHelper(int channel, const CCrashHelperSetup& setup) {
  CCrashReportContext context;
  std::string record;
  char kind = 0;
  std::string text;
  while (qav::ReceiveCrashFrame(channel, kind, text)) {
    if (kind == qav::kCrashFrameContext) {
      if (std::optional<CCrashReportContext> received = CCrashReportContext::Parse(text)) context = std::move(*received);
    } else if (kind == qav::kCrashFrameRecord) {
      record += text;
    } else if (kind == qav::kCrashFrameRecordEnd) {
      std::unique_ptr<CReportDialog> dialog;
      if (setup.makeDialog) {
        try {
          dialog = setup.makeDialog();
        } catch (...) {
          QAV_LOG(LOG_WARNING, u"RunCrashReportHelper: no report dialog, the report asks with the message box");
        }
      }
      CRptHandler report(
          setup.title, setup.product, setup.destination,
          [&context](CRptHandler& handler, bool) {
            context.AddTo(handler);
            return 1;
          },
          nullptr);
      report.SetDialog(dialog.get());
      report.GenerateReport(true, 0, &record);
      qav::SendCrashFrame(channel, qav::kCrashFrameDone, {});
      return 0;
    }
  }
  return 0;
}
