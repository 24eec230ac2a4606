#include "net/curl_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "net/curl_global.h"
#include "platform/text.h"

namespace qav::net {
namespace {

// The reply's body is buffered up to this much before the transfer pauses for the reader.
constexpr size_t kBodyBufferLimit = 256 * 1024;
// The longest wait inside one round, so the abort flag is seen promptly.
constexpr int kPollMs = 100;
constexpr long kMaxRedirects = 10;

CURL* Easy(void* handle) { return static_cast<CURL*>(handle); }
CURLM* Multi(void* handle) { return static_cast<CURLM*>(handle); }

bool IsFollowedRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string TrimLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return std::string(line);
}

}  // namespace

CurlTransfer::CurlTransfer() = default;

CurlTransfer::~CurlTransfer() {
  if (m_added) curl_multi_remove_handle(Multi(m_multi), Easy(m_easy));
  if (m_easy) curl_easy_cleanup(Easy(m_easy));
  if (m_multi) curl_multi_cleanup(Multi(m_multi));
  if (m_headerList) curl_slist_free_all(static_cast<curl_slist*>(m_headerList));
}

int CurlTransfer::Fail(int code) {
  m_done = true;
  if (m_result == CURLE_OK) m_result = code;
  return m_result;
}

int CurlTransfer::Start(const HttpTransferSettings& s) {
  if (!InitCurlOnce()) return Fail(CURLE_FAILED_INIT);
  m_multi = curl_multi_init();
  m_easy = curl_easy_init();
  if (!m_multi || !m_easy) return Fail(CURLE_OUT_OF_MEMORY);
  m_abortFlag = s.abortFlag;
  CURL* easy = Easy(m_easy);

  const std::string url = qav::FormatUtf8(s.secure ? "https://%s:%u%s" : "http://%s:%u%s", s.host,
                                          static_cast<unsigned>(s.port), s.objectName);
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!s.caFile.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, s.caFile.c_str());
  curl_easy_setopt(easy, CURLOPT_USERAGENT, s.session.userAgent.c_str());
  curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, static_cast<long>(kSendBatch));

  // The loopback interface is never reached through a proxy, whatever the environment says.
  std::string bypass = "localhost,127.0.0.1,::1";
  if (s.session.accessType == 1) {
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
  } else if (s.session.accessType == 3) {
    curl_easy_setopt(easy, CURLOPT_PROXY, s.session.proxy.c_str());
    if (!s.session.proxyBypass.empty()) bypass += "," + s.session.proxyBypass;
  } else {
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
      if (const char* value = std::getenv(name); value && *value) {
        bypass += ",";
        bypass += value;
        break;
      }
    }
  }
  curl_easy_setopt(easy, CURLOPT_NOPROXY, bypass.c_str());
  // A proxy's answer to CONNECT is not the reply.
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (!s.session.proxyUser.empty()) {
    curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, s.session.proxyUser.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, s.session.proxyPassword.c_str());
  }
  if (!s.user.empty()) {
    curl_easy_setopt(easy, CURLOPT_USERNAME, s.user.c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, s.password.c_str());
  }

  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(s.timeouts.connectMs));
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(s.timeouts.totalMs));
  // A stall is judged by what the server takes (Drive), not by libcurl's low-speed check, which
  // counts only what it hands to the connection's buffers: a slow server may read those for long
  // after libcurl has written its last byte.
  m_stallBound = std::chrono::milliseconds(s.timeouts.stallMs);
  WatchSocketOf(easy, m_progress);

  // The body is the caller's own bytes with an exact length: no chunking, no "Expect: 100-continue".
  curl_slist* list = nullptr;
  list = curl_slist_append(list, "Accept: */*");
  list = curl_slist_append(list, "Expect:");
  for (const std::string& header : s.headers) list = curl_slist_append(list, header.c_str());
  m_headerList = list;
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);
  if (s.verb == "POST") {
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(s.bodyLength));
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, &CurlTransfer::OnRead);
    curl_easy_setopt(easy, CURLOPT_READDATA, this);
  } else {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  }
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::OnWrite);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &CurlTransfer::OnPrereq);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);

  if (curl_multi_add_handle(Multi(m_multi), easy) != CURLM_OK) return Fail(CURLE_FAILED_INIT);
  m_added = true;
  return Drive([this] { return m_connected; });
}

int CurlTransfer::Write(const char* data, size_t size) {
  if (m_result != CURLE_OK) return m_result;
  m_outbox.append(data, size);
  return m_outbox.size() >= kSendBatch ? Flush() : CURLE_OK;
}

int CurlTransfer::Flush() {
  if (m_result != CURLE_OK) return m_result;
  if (m_done || m_outbox.empty()) {
    m_outbox.clear();  // the server answered before it took the whole body
    return CURLE_OK;
  }
  m_pending = m_outbox.data();
  m_pendingSize = m_outbox.size();
  if (m_sendPaused) {
    m_sendPaused = false;
    curl_easy_pause(Easy(m_easy), CURLPAUSE_CONT);
  }
  const int result = Drive([this] { return m_pendingSize == 0; });
  m_pending = nullptr;
  m_pendingSize = 0;
  m_outbox.clear();
  return result;
}

int CurlTransfer::Finish() {
  if (m_sendPaused) {
    // The whole body has been handed over: let libcurl see its end.
    m_sendPaused = false;
    curl_easy_pause(Easy(m_easy), CURLPAUSE_CONT);
  }
  return Drive([this] { return m_headComplete; });
}

int CurlTransfer::Read(char* buffer, size_t size, size_t& got) {
  got = 0;
  const int result = Drive([this] { return m_bodyRead < m_body.size(); });
  if (m_bodyRead < m_body.size()) {
    got = std::min(size, m_body.size() - m_bodyRead);
    std::memcpy(buffer, m_body.data() + m_bodyRead, got);
    m_bodyRead += got;
    if (m_bodyRead == m_body.size()) {
      m_body.clear();
      m_bodyRead = 0;
      if (m_receivePaused) {
        m_receivePaused = false;
        curl_easy_pause(Easy(m_easy), CURLPAUSE_CONT);
      }
    }
    return CURLE_OK;
  }
  return result;
}

std::string CurlTransfer::ErrorText() const {
  if (m_errorBuffer[0] != '\0') return m_errorBuffer;
  return curl_easy_strerror(static_cast<CURLcode>(m_result));
}

std::string CurlTransfer::FailureText() const {
  if (!IsFollowedRedirect(m_status)) return ErrorText();
  std::string location;
  for (const auto& [name, value] : m_headers) {
    if (qav::EqualsNoCase(name, "Location")) location = value;
  }
  const std::string reply = qav::FormatUtf8("%d %s to \"%s\"", m_status, m_statusText, location);
  if (m_result == CURLE_TOO_MANY_REDIRECTS) {
    return qav::FormatUtf8("More than %d redirects, the most that are followed; the last reply was %s.",
                           static_cast<int>(kMaxRedirects), reply);
  }
  if (m_status == 307 || m_status == 308) {
    return qav::FormatUtf8("The reply was %s; only 301, 302 and 303 are followed, since a %d would need the "
                           "body sent again.", reply, m_status);
  }
  return ErrorText() + " (the last reply was " + reply + ")";
}

template <typename Ready>
int CurlTransfer::Drive(Ready ready) {
  // Time the caller spends between steps is not the server's.
  m_progress.Restart();
  while (true) {
    if (ready()) return m_result;
    if (m_done) return m_result;
    if (m_abortFlag && m_abortFlag->load()) return Fail(CURLE_ABORTED_BY_CALLBACK);
    if (m_stallBound.count() > 0 && m_progress.Idle() > m_stallBound) {
      std::snprintf(m_errorBuffer, sizeof m_errorBuffer,
                    "Nothing moved for %d ms: the server neither took a byte nor sent one",
                    static_cast<int>(m_stallBound.count()));
      return Fail(CURLE_OPERATION_TIMEDOUT);
    }
    int running = 0;
    if (curl_multi_perform(Multi(m_multi), &running) != CURLM_OK) return Fail(CURLE_FAILED_INIT);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(Multi(m_multi), &queued)) {
      if (message->msg == CURLMSG_DONE) {
        m_done = true;
        if (m_result == CURLE_OK) m_result = message->data.result;
      }
    }
    if (m_done) {
      // A reply with no body at all still has a complete head.
      if (m_result == CURLE_OK) m_headComplete = m_headComplete || m_status != 0;
      return m_result;
    }
    if (ready()) return m_result;
    // Paused on both sides by us: nothing to wait for until the caller acts again.
    curl_multi_poll(Multi(m_multi), nullptr, 0, kPollMs, nullptr);
  }
}

size_t CurlTransfer::OnRead(char* buffer, size_t size, size_t count, void* self) {
  auto* t = static_cast<CurlTransfer*>(self);
  const size_t room = size * count;
  if (t->m_pendingSize == 0) {
    t->m_sendPaused = true;
    return CURL_READFUNC_PAUSE;
  }
  const size_t n = std::min(room, t->m_pendingSize);
  std::memcpy(buffer, t->m_pending, n);
  t->m_pending += n;
  t->m_pendingSize -= n;
  return n;
}

size_t CurlTransfer::OnWrite(char* data, size_t size, size_t count, void* self) {
  auto* t = static_cast<CurlTransfer*>(self);
  const size_t n = size * count;
  t->m_progress.Moved();
  if (t->m_body.size() - t->m_bodyRead >= kBodyBufferLimit) {
    t->m_receivePaused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  t->m_body.append(data, n);
  return n;
}

size_t CurlTransfer::OnHeader(char* data, size_t size, size_t count, void* self) {
  auto* t = static_cast<CurlTransfer*>(self);
  const size_t n = size * count;
  t->m_progress.Moved();
  const std::string line = TrimLine(std::string_view(data, n));
  if (line.rfind("HTTP/", 0) == 0) {
    // A new reply (after an interim one or a redirect) starts over.
    t->m_headers.clear();
    t->m_hasLocation = false;
    t->m_headComplete = false;
    const size_t codeAt = line.find(' ');
    t->m_status = codeAt == std::string::npos ? 0 : qav::AtoI(std::string_view(line).substr(codeAt + 1));
    const size_t textAt = codeAt == std::string::npos ? std::string::npos : line.find(' ', codeAt + 1);
    t->m_statusText = textAt == std::string::npos ? std::string() : line.substr(textAt + 1);
  } else if (line.empty()) {
    const bool interim = t->m_status >= 100 && t->m_status < 200;
    const bool redirected = IsFollowedRedirect(t->m_status) && t->m_hasLocation;
    if (!interim && !redirected) t->m_headComplete = true;
  } else if (const size_t colon = line.find(':'); colon != std::string::npos) {
    std::string name = line.substr(0, colon);
    std::string value = std::string(qav::Trim(std::string_view(line).substr(colon + 1)));
    if (qav::EqualsNoCase(name, "Location")) t->m_hasLocation = true;
    t->m_headers.emplace_back(std::move(name), std::move(value));
  }
  return n;
}

int CurlTransfer::OnProgress(void* self, int64_t, int64_t, int64_t, int64_t) {
  auto* t = static_cast<CurlTransfer*>(self);
  return t->m_abortFlag && t->m_abortFlag->load() ? 1 : 0;
}

int CurlTransfer::OnPrereq(void* self, char*, char*, int, int) {
  static_cast<CurlTransfer*>(self)->m_connected = true;
  return CURL_PREREQFUNC_OK;
}

}  // namespace qav::net
