#include "net/send_smtp.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <memory>

#include "net/curl_global.h"
#include "net/mail_address_list.h"
#include "net/mail_header_text.h"
#include "platform/text.h"

namespace {

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct MimeDeleter {
  void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};
using CurlSlist = std::unique_ptr<curl_slist, SlistDeleter>;

// Appends to a list kept in `list`; false when libcurl runs out of memory.
bool Append(CurlSlist& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown == nullptr) return false;
  list.release();
  list.reset(grown);
  return true;
}

// A host name, an IPv4 address or a bracketed IPv6 address; nothing that could change the URL.
bool UsableHost(std::string_view host) {
  if (host.empty() || host.size() > 253) return false;
  for (char c : host) {
    const auto u = static_cast<unsigned char>(c);
    const bool allowed = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || c == '.' ||
                         c == '-' || c == '_' || c == ':' || c == '[' || c == ']' || u >= 0x80;
    if (!allowed) return false;
  }
  return true;
}

std::string MimeTypeOf(std::string_view path) {
  const size_t dot = path.rfind('.');
  const std::string extension = dot == std::string_view::npos ? "" : qav::ToLowerAscii(path.substr(dot + 1));
  if (extension == "wav") return "audio/wav";
  if (extension == "mp3") return "audio/mpeg";
  return "application/octet-stream";
}

std::string BaseName(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

int CSendSMTP::SetServer(std::u16string_view address, int32_t port, bool useSsl, int32_t timeoutSec) {
  std::string host = qav::Trim(qav::U8(address));
  if (!UsableHost(host) || port < 1 || port > 65535 || timeoutSec < 1) return 0;
  // A bare IPv6 address needs its brackets in the URL.
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  m_server = std::move(host);
  m_port = port;
  m_useSsl = useSsl;
  m_timeoutSec = timeoutSec;
  m_serverSet = true;
  return 1;
}

int CSendSMTP::SetSender(std::u16string_view address, std::u16string_view loginName, std::u16string_view password,
                         bool useSpa) {
  const std::vector<std::string> entries = qav::net::SplitMailAddresses(address);
  if (entries.size() != 1 || qav::net::EnvelopeAddress(entries.front()).empty()) return 0;
  m_sender = entries.front();
  m_loginName = qav::U8(loginName);
  m_password = m_loginName.empty() ? std::string() : qav::U8(password);
  m_useSpa = useSpa;
  m_senderSet = true;
  return 1;
}

int CSendSMTP::SetTo(std::u16string_view recipients) {
  std::vector<std::string> entries = qav::net::SplitMailAddresses(recipients);
  if (entries.empty()) return 0;
  for (const std::string& entry : entries) {
    if (qav::net::EnvelopeAddress(entry).empty()) return 0;
  }
  m_recipients = std::move(entries);
  m_recipientSet = true;
  return 1;
}

int CSendSMTP::SetSubject(std::u16string_view subject) {
  m_subject = std::u16string(subject);
  m_subjectSet = true;
  return 1;
}

int CSendSMTP::SetBody(std::u16string_view text) {
  m_body = qav::U8(text);
  m_contentSet = true;
  return 1;
}

int CSendSMTP::AddAttachment(std::u16string_view path) {
  std::string file = qav::U8(path);
  const int fd = file.empty() ? -1 : open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  close(fd);
  m_attachments.push_back(std::move(file));
  m_contentSet = true;
  return 1;
}

int CSendSMTP::Send() {
  m_lastError.clear();
  if (!(m_serverSet && m_senderSet && m_recipientSet && m_subjectSet && m_contentSet)) {
    m_lastError = u"the mail is incomplete: server, sender, recipient, subject and content must all be set";
    return 0;
  }
  if (!qav::net::InitCurlOnce()) {
    m_lastError = u"libcurl could not be initialised";
    return 0;
  }
  return SendWithCurl();
}

int CSendSMTP::SendWithCurl() {
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) {
    m_lastError = u"libcurl could not make a handle";
    return 0;
  }
  CURL* h = curl.get();
  const bool implicitTls = m_useSsl && m_port == m_implicitTlsPort;
  const std::string url = (implicitTls ? "smtps://" : "smtp://") + m_server + ":" + std::to_string(m_port);

  CurlSlist recipients;
  for (const std::string& entry : m_recipients) {
    if (!Append(recipients, "<" + qav::net::EnvelopeAddress(entry) + ">")) return 0;
  }
  qav::net::MailHeaderFields fields;
  fields.from = m_sender;
  fields.to = m_recipients;
  fields.subject = m_subject;
  fields.time = ::time(nullptr);
  fields.messageId = qav::net::MakeMessageId(qav::net::EnvelopeAddress(m_sender));
  CurlSlist headers;
  for (const std::string& line : qav::net::BuildMailHeaders(fields)) {
    if (!Append(headers, line)) return 0;
  }

  std::unique_ptr<curl_mime, MimeDeleter> mime(curl_mime_init(h));
  if (!mime) return 0;
  curl_mimepart* textPart = curl_mime_addpart(mime.get());
  if (textPart == nullptr || curl_mime_data(textPart, m_body.data(), m_body.size()) != CURLE_OK ||
      curl_mime_type(textPart, "text/plain; charset=utf-8") != CURLE_OK ||
      curl_mime_encoder(textPart, "quoted-printable") != CURLE_OK) {
    m_lastError = u"the mail's text could not be prepared";
    return 0;
  }
  for (const std::string& path : m_attachments) {
    curl_mimepart* part = curl_mime_addpart(mime.get());
    CurlSlist disposition;
    if (part == nullptr || !Append(disposition, "Content-Disposition: " + qav::net::AttachmentDisposition(BaseName(path))) ||
        curl_mime_filedata(part, path.c_str()) != CURLE_OK || curl_mime_filename(part, nullptr) != CURLE_OK ||
        curl_mime_type(part, MimeTypeOf(path).c_str()) != CURLE_OK || curl_mime_encoder(part, "base64") != CURLE_OK ||
        curl_mime_headers(part, disposition.get(), 1) != CURLE_OK) {
      m_lastError = u"the attachment could not be prepared: " + qav::U16(path);
      return 0;
    }
    disposition.release();  // the part owns it now
  }

  char errorText[CURL_ERROR_SIZE] = {};
  const long timeout = m_timeoutSec;
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(m_useSsl ? CURLUSESSL_ALL : CURLUSESSL_NONE));
  if (!m_caFile.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, m_caFile.c_str());
  if (!m_loginName.empty()) {
    curl_easy_setopt(h, CURLOPT_USERNAME, m_loginName.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, m_password.c_str());
    curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, m_useSpa ? "AUTH=NTLM" : "AUTH=LOGIN");
  }
  const std::string mailFrom = "<" + qav::net::EnvelopeAddress(m_sender) + ">";
  curl_easy_setopt(h, CURLOPT_MAIL_FROM, mailFrom.c_str());
  curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_MIMEPOST, mime.get());
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeout);
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, timeout);

  const CURLcode result = curl_easy_perform(h);
  if (result == CURLE_OK) return 1;
  long reply = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply);
  const std::string text = errorText[0] != '\0' ? errorText : curl_easy_strerror(result);
  m_lastError = qav::U16(text) + qav::Format(u" (libcurl error %d, last server reply %d)", static_cast<int>(result), static_cast<int>(reply));
  return 0;
}
