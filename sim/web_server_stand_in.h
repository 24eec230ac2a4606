// The maker's web server, as a stand-in for tests and for trying the program: an HTTP/1.1 server
// on 127.0.0.1 that answers the version check and takes problem-report uploads, and that can
// misbehave on request.
//
// Version check (a POST to a path ending in "applinks/versioncheck/"): the form must carry
// app=QAV, a version and an "info" field holding an enveloped document whose root is
// "Zarvelin_XML_Info"; the reply is an enveloped "Zarvelin_XML_Info" document with the values
// configured here, as text/plain. A request that fails a check gets 400.
// Upload (any POST of multipart/form-data): the parts are saved and the reply is 200 "OK".
// Redirects: a request to a path holding "/redirect/" gets 303, one holding "/redirect-keep/" 307,
// both to "/qav/landed/", whose GET answers "landed".
// Every request is saved byte for byte as <folder>/request-<n>.raw; a version check's decoded
// info document as request-<n>.info.xml; an upload's parts in upload-<n>/ with an index
// parts.tsv (name, file name, content type, size).
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace qav::sim {

enum class WebMisbehaviour {
  kNone,
  kRefuse,         // nothing listens on the reported port
  kCloseMidBody,   // the connection is reset after half of the body
  kStall,          // the request's head is read (and saved as stalled-<n>.head), then nothing more happens
  kGarbageStatus,  // the reply's status line is not HTTP
  kWrongType,      // the reply is application/xml
  kBadCrc,         // the reply's envelope fails its checksum
  kNotXml,         // a sound envelope around a text that is no XML document
  kHugeReply,      // a 10 MB text reply
  kCutReply,       // a reply that announces 10 MB and closes the connection after 5
  kDrip,           // the request's body is read four bytes a second
};

std::optional<WebMisbehaviour> ParseWebMisbehaviour(std::string_view name);

struct WebServerOptions {
  uint16_t port = 0;
  std::string folder;  // where requests are saved; "" saves nothing
  WebMisbehaviour misbehaviour = WebMisbehaviour::kNone;
  // The reply's values; an unset one is left out of the reply.
  std::optional<std::string> latestVersion;
  std::optional<std::string> downloadLink;
  std::optional<std::string> critical;
  std::optional<std::string> periodSeconds;
  std::optional<std::string> showCheckButton;
  std::optional<std::string> reportByWebPage;
  std::optional<std::string> certified;
  std::optional<std::string> minimumVersion;
  std::string replyRoot = "Zarvelin_XML_Info";
};

class WebServerStandIn {
 public:
  explicit WebServerStandIn(WebServerOptions options) : m_options(std::move(options)) {}
  // Binds 127.0.0.1 at the port; the bound port, or 0 on failure.
  uint16_t Listen();
  // Serves connections, each on a thread of its own, until the process ends.
  void Serve();

 private:
  void HandleConnection(int fd);
  std::string VersionCheckReply(const std::string& body, int number, int& status);
  void SaveUpload(const std::string& contentType, const std::string& body, int number);

  WebServerOptions m_options;
  int m_listener = -1;
  std::atomic<int> m_requests{0};
  std::atomic<int> m_stalled{0};
};

}  // namespace qav::sim
