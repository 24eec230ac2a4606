#include "net/send_smtp.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <memory>

#include "net/connection_progress.h"
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
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
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

// The longest wait of one round of the exchange, so a stop request is seen promptly.
constexpr int kPollMs = 100;
// libcurl's own wait for a reply counts from the command or the message's end it wrote, not from
// when the peer took it: the server may still be reading a long message out of the connection's
// buffers. So libcurl's is set as long as it may be (24 days), never the bound; the watch is.
constexpr long kLibcurlReplyWaitSec = INT_MAX / 1000;

// Watches one exchange from the sending thread: the exchange ends when nothing has moved for the
// time-out (no reply line, no command, no byte of the message written or taken by the server) or
// when the caller asks it to stop; a transfer that moves is never cut. libcurl reports each
// command, reply and piece of the message through its debug callback, and the system counts what
// the server has taken (net/connection_progress.h). Giving up shuts the connection's socket down
// first, so that libcurl's closing QUIT fails at once instead of waiting for an answer that will
// not come.
struct ExchangeWatch {
  std::function<bool()> stopRequested;
  std::chrono::milliseconds timeout{};
  qav::net::ConnectionProgress progress;
  std::u16string reason;  // why the watch gave up; "" while it has not

  // True when the exchange must end now; the first time, says why and shuts the socket down.
  bool GiveUp() {
    if (!reason.empty()) return true;
    if (stopRequested && stopRequested()) {
      reason = u"the mail was stopped: the program is ending";
    } else if (progress.Idle() > timeout) {
      reason = u"nothing moved for the time-out: the server neither answered nor took a byte";
    } else {
      return false;
    }
    if (progress.Socket() >= 0) shutdown(progress.Socket(), SHUT_RDWR);
    return true;
  }

  static int OnDebug(CURL*, curl_infotype type, char*, size_t, void* self) {
    if (type == CURLINFO_HEADER_IN || type == CURLINFO_HEADER_OUT || type == CURLINFO_DATA_OUT) {
      static_cast<ExchangeWatch*>(self)->progress.Moved();
    }
    return 0;
  }
  // Called by libcurl also while it waits inside a step of its own (the reply to the message's
  // end, the QUIT), about once a second.
  static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<ExchangeWatch*>(self)->GiveUp() ? 1 : 0;
  }
};

}  // namespace

int CSendSMTP::SetServer(std::u16string_view address, int32_t port, bool useSsl, int32_t timeoutSec) {
  std::string host = qav::Trim(qav::U8(address));
  if (!UsableHost(host) || port < 1 || port > 65535 || timeoutSec < 1) return 0;
  // A bare IPv6 address needs its brackets in the URL.
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  m_server = std::move(host);
  m_port = port;
  m_useSsl = useSsl;
  m_timeout = std::chrono::seconds(timeoutSec);
  m_serverSet = true;
  return 1;
}

int CSendSMTP::SetSender(std::u16string_view address, std::u16string_view loginName, std::u16string_view password,
                         bool useSpa) {
  const std::vector<std::string> entries = qav::net::SplitMailAddresses(address);
  if (entries.size() != 1 || qav::net::EnvelopeAddress(entries.front()).empty()) return 0;
  m_sender = entries.front();
  m_loginName = qav::U8(loginName);
  m_password = qav::U8(password);
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

CSendSMTP::Attachment::~Attachment() {
  if (fd >= 0) close(fd);
}

int CSendSMTP::AddAttachment(std::u16string_view path) {
  std::string file = qav::U8(path);
  const int fd = file.empty() ? -1 : open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    return 0;
  }
  // The file is read through this descriptor: the mail carries it as it was here, whatever happens
  // to its name meanwhile (a voice message is renamed when it is heard).
  auto attachment = std::make_unique<Attachment>();
  attachment->path = std::move(file);
  attachment->fd = fd;
  attachment->size = status.st_size;
  m_attachments.push_back(std::move(attachment));
  m_contentSet = true;
  return 1;
}

size_t CSendSMTP::Attachment::OnRead(char* buffer, size_t size, size_t count, void* self) {
  auto* attachment = static_cast<Attachment*>(self);
  const ssize_t got = pread(attachment->fd, buffer, size * count, attachment->offset);
  if (got < 0) return CURL_READFUNC_ABORT;
  attachment->offset += got;
  return static_cast<size_t>(got);
}

int CSendSMTP::Attachment::OnSeek(void* self, curl_off_t offset, int origin) {
  auto* attachment = static_cast<Attachment*>(self);
  if (origin != SEEK_SET || offset < 0) return CURL_SEEKFUNC_CANTSEEK;
  attachment->offset = offset;
  return CURL_SEEKFUNC_OK;
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
  for (const std::unique_ptr<Attachment>& attachment : m_attachments) {
    const std::string& path = attachment->path;
    attachment->offset = 0;
    curl_mimepart* part = curl_mime_addpart(mime.get());
    CurlSlist disposition;
    if (part == nullptr || !Append(disposition, "Content-Disposition: " + qav::net::AttachmentDisposition(BaseName(path))) ||
        curl_mime_data_cb(part, attachment->size, &Attachment::OnRead, &Attachment::OnSeek, nullptr,
                          attachment.get()) != CURLE_OK ||
        curl_mime_type(part, MimeTypeOf(path).c_str()) != CURLE_OK || curl_mime_encoder(part, "base64") != CURLE_OK ||
        curl_mime_headers(part, disposition.get(), 1) != CURLE_OK) {
      m_lastError = u"the attachment could not be prepared: " + qav::U16(path);
      return 0;
    }
    disposition.release();  // the part owns it now
  }

  char errorText[CURL_ERROR_SIZE] = {};
  ExchangeWatch watch;
  watch.stopRequested = m_stopRequested;
  watch.timeout = m_timeout;
  watch.progress.Restart();
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(m_useSsl ? CURLUSESSL_ALL : CURLUSESSL_NONE));
  if (!m_caFile.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, m_caFile.c_str());
  // Always a login, with an empty name too; a server that offers no AUTH gets none. libcurl answers
  // AUTH LOGIN's name prompt for an empty name with "=", which servers read as bad base64 (only a
  // first response may be written so), so an empty name logs in with AUTH PLAIN where the server
  // offers it: its one message ("\0" name "\0" password) is never empty.
  const char* mechanisms = m_useSpa ? "AUTH=NTLM" : m_loginName.empty() ? "AUTH=PLAIN;AUTH=LOGIN" : "AUTH=LOGIN";
  curl_easy_setopt(h, CURLOPT_USERNAME, m_loginName.c_str());
  curl_easy_setopt(h, CURLOPT_PASSWORD, m_password.c_str());
  curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, mechanisms);
  const std::string mailFrom = "<" + qav::net::EnvelopeAddress(m_sender) + ">";
  curl_easy_setopt(h, CURLOPT_MAIL_FROM, mailFrom.c_str());
  curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_MIMEPOST, mime.get());
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_timeout.count()));
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, kLibcurlReplyWaitSec);
  // The connection ends with this exchange, under the watch, not later in a cache's clean-up.
  curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
  // The debug callback is how the watch sees each step; it writes nothing anywhere.
  curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &ExchangeWatch::OnDebug);
  curl_easy_setopt(h, CURLOPT_DEBUGDATA, &watch);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &ExchangeWatch::OnProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &watch);
  qav::net::WatchSocketOf(h, watch.progress);

  // The exchange runs in rounds of at most kPollMs, so the watch is asked between any two.
  std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
  if (!multi || curl_multi_add_handle(multi.get(), h) != CURLM_OK) {
    m_lastError = u"libcurl could not start the exchange";
    return 0;
  }
  CURLcode result = CURLE_OK;
  bool done = false;
  while (!done) {
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
      if (message->msg == CURLMSG_DONE) {
        done = true;
        result = message->data.result;
      }
    }
    if (done) break;
    if (watch.GiveUp()) {
      result = CURLE_OPERATION_TIMEDOUT;
      break;
    }
    curl_multi_poll(multi.get(), nullptr, 0, kPollMs, nullptr);
  }
  // Taking the handle out of an unfinished exchange drops its connection without a QUIT.
  curl_multi_remove_handle(multi.get(), h);
  if (result == CURLE_OK) return 1;
  long reply = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply);
  const std::u16string text =
      !watch.reason.empty() ? watch.reason : qav::U16(errorText[0] != '\0' ? errorText : curl_easy_strerror(result));
  m_lastError = text + qav::Format(u" (libcurl error %d, last server reply %d)", static_cast<int>(result), static_cast<int>(reply));
  return 0;
}
