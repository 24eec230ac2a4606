// The upload of a report to the maker's web server: one multipart form with the fields "Subject",
// "Body" and the ZIP as the file field "Attachment" (each only when not empty).
#pragma once

#include <atomic>
#include <functional>
#include <string_view>

#include "net/http_transfer_settings.h"

// The bounds of one report upload for its time-out: no connection within it, or nothing moved for
// it (the server takes no byte of the report and sends none of its reply). A report that moves is
// never cut, however slow the line: a large ZIP may take as long as it takes.
constexpr qav::net::HttpTimeouts ReportUploadTimeouts(int32_t timeoutMs) {
  return {.connectMs = timeoutMs, .stallMs = timeoutMs, .totalMs = 0};
}
inline constexpr qav::net::HttpTimeouts kReportUploadTimeouts = ReportUploadTimeouts(30000);

// 1 when the server took the report (status 200); 0 on any other status, a failure or a time-out,
// logged. `abortFlag` (may be null; read from this thread, set from any) ends the upload within
// about 100 ms when set. `progress` (may be empty) hears the share of the request sent, 0-100.
int UploadReport(std::u16string_view url, std::u16string_view subject, std::u16string_view body,
                 std::u16string_view zipPath, const std::atomic<bool>* abortFlag = nullptr,
                 const std::function<void(int percent)>& progress = {},
                 const qav::net::HttpTimeouts& timeouts = kReportUploadTimeouts);
