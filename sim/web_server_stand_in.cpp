#include "sim/web_server_stand_in.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "foundation/server_string.h"
#include "foundation/xml_document.h"
#include "platform/text.h"
#include "sim/web_form.h"

namespace qav::sim {
namespace {

constexpr size_t kMaxHead = 64 * 1024;
constexpr size_t kMaxBody = 256 * 1024 * 1024;
constexpr size_t kHugeReplyBytes = 10 * 1024 * 1024;

bool SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

void SaveFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string HeaderValue(std::string_view head, std::string_view name) {
  for (const std::u16string& line16 : Split(Utf8ToUtf16(head), u'\n')) {
    const std::string line = Trim(std::string_view(Utf16ToUtf8(line16)));
    const size_t colon = line.find(':');
    if (colon != std::string::npos && EqualsNoCase(std::string_view(line).substr(0, colon), name)) {
      return Trim(std::string_view(line).substr(colon + 1));
    }
  }
  return {};
}

std::string Reply(int status, std::string_view reason, std::string_view type, std::string_view body) {
  return FormatUtf8("HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %u\r\nConnection: close\r\n\r\n", status,
                    reason, type, static_cast<unsigned>(body.size())) +
         std::string(body);
}

// A name safe to save under: its last component, without anything a path could use.
std::string SafeFileName(std::string_view name) {
  std::string out;
  for (const char c : name) out += (c == '/' || c == '\\' || c == '\0') ? '_' : c;
  if (out.empty() || out == "." || out == "..") out = "unnamed";
  return out;
}

}  // namespace

std::optional<WebMisbehaviour> ParseWebMisbehaviour(std::string_view name) {
  if (name == "none") return WebMisbehaviour::kNone;
  if (name == "refuse") return WebMisbehaviour::kRefuse;
  if (name == "close-mid-body") return WebMisbehaviour::kCloseMidBody;
  if (name == "stall") return WebMisbehaviour::kStall;
  if (name == "garbage-status") return WebMisbehaviour::kGarbageStatus;
  if (name == "wrong-type") return WebMisbehaviour::kWrongType;
  if (name == "bad-crc") return WebMisbehaviour::kBadCrc;
  if (name == "not-xml") return WebMisbehaviour::kNotXml;
  if (name == "huge-reply") return WebMisbehaviour::kHugeReply;
  if (name == "cut-reply") return WebMisbehaviour::kCutReply;
  if (name == "drip") return WebMisbehaviour::kDrip;
  return std::nullopt;
}

uint16_t WebServerStandIn::Listen() {
  m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (m_listener < 0) return 0;
  const int on = 1;
  ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(m_options.port);
  socklen_t length = sizeof address;
  if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return 0;
  }
  if (m_options.misbehaviour == WebMisbehaviour::kRefuse) {
    // Bound but never listening: connections to the port are refused.
    return ntohs(address.sin_port);
  }
  if (::listen(m_listener, 64) != 0) return 0;
  return ntohs(address.sin_port);
}

void WebServerStandIn::Serve() {
  while (true) {
    const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (m_options.misbehaviour == WebMisbehaviour::kRefuse) {
        ::pause();
        continue;
      }
      return;
    }
    std::thread([this, fd] { HandleConnection(fd); }).detach();
  }
}

void WebServerStandIn::HandleConnection(int fd) {
  std::string data;
  char buffer[65536];
  size_t headEnd = std::string::npos;
  while (headEnd == std::string::npos && data.size() < kMaxHead) {
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    data.append(buffer, static_cast<size_t>(got));
    headEnd = data.find("\r\n\r\n");
  }
  if (headEnd == std::string::npos) {
    ::close(fd);
    return;
  }
  const std::string head = data.substr(0, headEnd + 4);
  const size_t bodyLength = std::min<size_t>(AtoI(HeaderValue(head, "Content-Length")), kMaxBody);

  if (m_options.misbehaviour == WebMisbehaviour::kStall) {
    // The head is kept, so a test sees that the request came; then the connection stays open and
    // nothing more is read. The process's end closes it.
    if (!m_options.folder.empty()) {
      SaveFile(std::filesystem::path(m_options.folder) / FormatUtf8("stalled-%d.head", ++m_stalled), head);
    }
    while (true) ::pause();
  }
  if (m_options.misbehaviour == WebMisbehaviour::kCloseMidBody) {
    while (data.size() - head.size() < bodyLength / 2) {
      const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      data.append(buffer, static_cast<size_t>(got));
    }
    const linger reset{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(fd);
    return;
  }
  // Dripping, the body is taken four bytes a second: never slow enough for a stall bound, and a
  // body larger than the connection's buffers takes hours.
  const bool drip = m_options.misbehaviour == WebMisbehaviour::kDrip;
  while (data.size() - head.size() < bodyLength) {
    if (drip) std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const ssize_t got = ::recv(fd, buffer, drip ? 1 : sizeof buffer, 0);
    if (got <= 0) break;
    data.append(buffer, static_cast<size_t>(got));
  }
  const std::string body = data.substr(head.size(), bodyLength);
  const int number = ++m_requests;
  if (!m_options.folder.empty()) {
    SaveFile(std::filesystem::path(m_options.folder) / FormatUtf8("request-%d.raw", number), data);
  }

  const std::string requestLine = head.substr(0, head.find("\r\n"));
  const std::string contentType = HeaderValue(head, "Content-Type");
  std::string reply;
  if (m_options.misbehaviour == WebMisbehaviour::kGarbageStatus) {
    reply = "GARBAGE FROM THE SERVER\r\n\r\nnothing here";
  } else if (m_options.misbehaviour == WebMisbehaviour::kHugeReply) {
    reply = Reply(200, "OK", "text/plain", std::string(kHugeReplyBytes, 'A'));
  } else if (m_options.misbehaviour == WebMisbehaviour::kCutReply) {
    reply = Reply(200, "OK", "text/plain", std::string(kHugeReplyBytes, 'A'));
    reply.resize(reply.size() - kHugeReplyBytes / 2);
    // Everything sent arrives, then the end of the stream, well before the announced length.
    SendAll(fd, reply);
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
    return;
  } else if (requestLine.find("/redirect/") != std::string::npos) {
    reply = "HTTP/1.1 303 See Other\r\nLocation: /qav/landed/\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  } else if (requestLine.find("/redirect-loop/") != std::string::npos) {
    reply = "HTTP/1.1 302 Found\r\nLocation: /qav/redirect-loop/\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  } else if (requestLine.find("/redirect-keep/") != std::string::npos) {
    reply = "HTTP/1.1 307 Temporary Redirect\r\nLocation: /qav/landed/\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  } else if (requestLine.rfind("GET /qav/landed/", 0) == 0) {
    reply = Reply(200, "OK", "text/plain", "landed");
  } else if (contentType.rfind("multipart/form-data", 0) == 0) {
    SaveUpload(contentType, body, number);
    reply = Reply(200, "OK", "text/plain", "OK");
  } else if (requestLine.find("applinks/versioncheck/ ") != std::string::npos &&
             requestLine.rfind("POST ", 0) == 0) {
    int status = 200;
    const std::string text = VersionCheckReply(body, number, status);
    const char* type = m_options.misbehaviour == WebMisbehaviour::kWrongType ? "application/xml" : "text/plain";
    reply = Reply(status, status == 200 ? "OK" : "Bad Request", type, text);
  } else {
    reply = Reply(404, "Not Found", "text/plain", "no such page");
  }
  SendAll(fd, reply);
  ::shutdown(fd, SHUT_WR);
  // Let the client read everything before the socket goes.
  while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
  }
  ::close(fd);
}

std::string WebServerStandIn::VersionCheckReply(const std::string& body, int number, int& status) {
  status = 400;
  const auto fields = DecodeForm(body);
  if (!fields) return "malformed form";
  const auto field = [&](const char* name) -> std::string {
    const auto it = fields->find(name);
    return it == fields->end() ? std::string() : it->second;
  };
  if (field("app") != "QAV") return "app must be QAV";
  if (field("ver").empty()) return "ver missing";
  const std::u16string info = DecodeServerString(Utf8ToUtf16(field("info")));
  CXmlDocument infoDocument;
  if (info.empty() || !infoDocument.Parse(info) || infoDocument.GetRoot()->GetName() != u"Zarvelin_XML_Info") {
    return "info is not an enveloped Zarvelin_XML_Info document";
  }
  if (!m_options.folder.empty()) {
    SaveFile(std::filesystem::path(m_options.folder) / FormatUtf8("request-%d.info.xml", number), Utf16ToUtf8(info));
  }

  CXmlDocument reply;
  CXmlElement* root = reply.AddElement(nullptr, Utf8ToUtf16(m_options.replyRoot), u"");
  CXmlElement* product = reply.AddElement(root, u"QAV", u"");
  const auto add = [&](const char16_t* name, const std::optional<std::string>& value, std::u16string attributes = {}) {
    if (value) reply.AddElement(product, name, Utf8ToUtf16(*value), attributes);
  };
  add(u"UpdateCheckPeriodSec", m_options.periodSeconds);
  add(u"ShowCheckForUpdateBtn", m_options.showCheckButton);
  add(u"ReportProblemUsingWebPage", m_options.reportByWebPage);
  add(u"IsSkypeCertified", m_options.certified);
  std::u16string latestAttributes;
  if (m_options.downloadLink) latestAttributes += u"sLink=\"" + Utf8ToUtf16(*m_options.downloadLink) + u"\"";
  if (m_options.critical) {
    if (!latestAttributes.empty()) latestAttributes += u" ";
    latestAttributes += u"CritialUpdate=\"" + Utf8ToUtf16(*m_options.critical) + u"\"";
  }
  add(u"LatestVer", m_options.latestVersion, latestAttributes);
  add(u"MinimunVersion", m_options.minimumVersion);

  const std::u16string document =
      m_options.misbehaviour == WebMisbehaviour::kNotXml ? u"Service temporarily unavailable" : reply.GetXml();
  std::string envelope = Utf16ToUtf8(EncodeServerString(document));
  if (m_options.misbehaviour == WebMisbehaviour::kBadCrc && !envelope.empty()) {
    envelope[0] = envelope[0] == '0' ? '1' : '0';
  }
  status = 200;
  return envelope + "\r\n";
}

void WebServerStandIn::SaveUpload(const std::string& contentType, const std::string& body, int number) {
  if (m_options.folder.empty()) return;
  const auto parts = DecodeMultipart(body, MultipartBoundary(contentType));
  const std::filesystem::path folder = std::filesystem::path(m_options.folder) / FormatUtf8("upload-%d", number);
  std::filesystem::create_directories(folder);
  if (!parts) {
    SaveFile(folder / "malformed", "");
    return;
  }
  std::string index;
  for (const MultipartPart& part : *parts) {
    const std::string saved = part.fileName ? SafeFileName(*part.fileName) : "field-" + SafeFileName(part.name);
    SaveFile(folder / saved, part.data);
    index += FormatUtf8("%s\t%s\t%s\t%u\n", part.name, part.fileName.value_or(""), part.contentType,
                        static_cast<unsigned>(part.data.size()));
  }
  SaveFile(folder / "parts.tsv", index);
}

}  // namespace qav::sim
