// The crash helper's user interface: made only when a crash is reported, in the helper process (a
// clean copy of the program taken before Qt started), so the user is asked with the real report
// dialog and told with real boxes, whatever state the crashed program is in.
#pragma once

#include <memory>

#include "net/report_dialog.h"

// The report dialog with its own QApplication and message boxes, or null without a display.
// `argc` and `argv` are the program's; they must outlive what is returned.
std::unique_ptr<CReportDialog> MakeQtCrashReportUi(int& argc, char** argv);
