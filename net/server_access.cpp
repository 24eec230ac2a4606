#include "net/server_access.h"

#include "foundation/logger.h"
#include "foundation/server_string.h"
#include "net/http_client.h"
#include "net/http_client_exception.h"
#include "platform/text.h"

void CServerAccess::AddParam(std::u16string_view name, std::u16string_view value, bool envelope) {
  m_params[std::u16string(name)] = envelope ? EncodeServerString(value) : std::u16string(value);
}

void CServerAccess::RemoveParam(std::u16string_view name) { m_params.erase(std::u16string(name)); }

int CServerAccess::UpdateServerInformation(const std::atomic<bool>* abortFlag) {
  QAV_LOG(LOG_FINE, u"CServerAccess::UpdateServerInformation");
  try {
    Vemra::CHttpClientT client;
    client.SetInternet(kUserAgent, 0, std::nullopt, std::nullopt, 0);
    client.SetUseUtf8(true);
    client.SetTimeouts(m_timeouts);
    client.SetAbortFlag(abortFlag);
    for (const auto& [name, value] : m_params) client.AddParam(name, value, 0);
    client.BeginPost(m_productBase + kVersionCheckPage, false);
    std::unique_ptr<Vemra::CHttpResponseT> response;
    while (!(response = client.Proceed(1024))) {
    }
    return ReadReply(*response);
  } catch (const Vemra::httpclientexceptionW& e) {
    QAV_LOG(LOG_WARNING, u"Web Access Failure Reason: [%d.%d.%s]", e.GetErrorCode(), e.GetLastError(), e.errmsg());
    return 0;
  }
}

int CServerAccess::ReadReply(Vemra::CHttpResponseT& response) {
  try {
    const std::u16string* type = response.GetHeader(u"Content-Type");
    if (response.GetStatus() != 200) {
      QAV_LOG(LOG_WARNING, u"Web Access Failure Reason: status %u %s (expected 200)", response.GetStatus(),
              response.GetStatusText());
      return 0;
    }
    if (!type || !qav::StartsWithNoCase(*type, u"text/")) {
      QAV_LOG(LOG_WARNING, u"Web Access Failure Reason: Content-Type %s (expected text/...)",
              type ? u"\"" + *type + u"\"" : std::u16string(u"missing"));
      return 0;
    }
    // The envelope is plain ASCII: each byte becomes one unit, without any character set.
    std::u16string text;
    char buffer[4096];
    while (const uint32_t got = response.ReadContent(buffer, sizeof buffer)) {
      if (text.size() + got > kMaxReplyBytes) {
        QAV_LOG(LOG_WARNING, u"Web Access Failure Reason: %s",
                qav::Format(u"the reply is longer than %u bytes", static_cast<uint32_t>(kMaxReplyBytes)));
        return 0;
      }
      for (uint32_t i = 0; i < got; ++i) text += static_cast<char16_t>(static_cast<unsigned char>(buffer[i]));
    }
    const size_t first = text.find_first_not_of(u" \n\r");
    const size_t last = text.find_last_not_of(u" \n\r");
    text = first == std::u16string::npos ? std::u16string() : text.substr(first, last - first + 1);
    m_reply = DecodeServerString(text);
    return 1;
  } catch (const Vemra::httpclientexceptionW& e) {
    QAV_LOG(LOG_WARNING, u"Web Access Failure Reason: [%d.%d.%s]", e.GetErrorCode(), e.GetLastError(), e.errmsg());
    return 0;
  }
}
