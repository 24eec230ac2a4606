#include "net/report_upload.h"

#include <memory>

#include "foundation/logger.h"
#include "net/http_client.h"
#include "net/http_client_exception.h"

int UploadReport(std::u16string_view url, std::u16string_view subject, std::u16string_view body,
                 std::u16string_view zipPath, const std::atomic<bool>* abortFlag,
                 const std::function<void(int percent)>& progress, const qav::net::HttpTimeouts& timeouts) {
  try {
    Vemra::CHttpClientT client;
    client.SetTimeouts(timeouts);
    client.SetAbortFlag(abortFlag);
    client.SetInternet(u"Zarvelin User Agent v1.0", 0, std::nullopt, std::nullopt, 0);
    client.SetUseUtf8(true);
    if (!subject.empty()) client.AddParam(u"Subject", subject, 0);
    if (!body.empty()) client.AddParam(u"Body", body, 0);
    if (!zipPath.empty()) client.AddParam(u"Attachment", zipPath, Vemra::kParamFile);
    client.BeginUpload(url, false);
    std::unique_ptr<Vemra::CHttpResponseT> response;
    int shown = -1;
    while (!(response = client.Proceed(1024))) {
      const Vemra::CHttpPostStatT& stat = client.GetPostStat();
      const int percent = stat.ActualTotalByte() == 0
                              ? 0
                              : static_cast<int>(uint64_t{stat.ActualPostedByte()} * 100 / stat.ActualTotalByte());
      if (progress && percent != shown) progress(shown = percent);
    }
    const uint32_t status = response->GetStatus();
    if (status == 200) return 1;
    QAV_LOG(LOG_WARNING, u"Web Access Reply: Failure Reason: [%d] %s", status, response->GetStatusText());
  } catch (const Vemra::httpclientexceptionW& error) {
    QAV_LOG(LOG_WARNING, u"Web Access Failure Reason: [%d.%d.%s]", error.GetErrorCode(), error.GetLastError(),
            error.errmsg());
  }
  return 0;
}
