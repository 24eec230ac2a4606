#include "net/report_upload.h"

#include "foundation/logger.h"

int UploadReport(std::u16string_view url, std::u16string_view, std::u16string_view, std::u16string_view) {
  QAV_LOG(LOG_WARNING, u"Web Access Failure Reason: [0.0.no HTTP client for %s]", url);
  return 0;
}
