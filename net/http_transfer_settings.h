// What one HTTP exchange is made with: where it goes, how it authenticates and through which
// proxy, its time-outs and the flag that stops it from another thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace qav::net {

// Bounds that keep one exchange from hanging: no connection within `connectMs`, nothing moved for
// `stallMs` (no byte taken by the server of what was sent, no byte of its reply), or the whole
// exchange longer than `totalMs` (0: no bound) fail it. What the server has taken is counted by the
// system (net/connection_progress.h), not by what was handed to the connection's buffers.
struct HttpTimeouts {
  int32_t connectMs = 30000;
  int32_t stallMs = 60000;
  int32_t totalMs = 0;
};

// The internet session's settings (the user agent and the proxy), as the client's SetInternet
// gives them.
struct HttpSessionSettings {
  std::string userAgent;
  // 0: the proxy the environment names (http_proxy and friends), 1: direct, 3: `proxy`, bypassing
  // the hosts in `proxyBypass`.
  uint32_t accessType = 0;
  std::string proxy;
  std::string proxyBypass;
  std::string proxyUser;
  std::string proxyPassword;
};

struct HttpTransferSettings {
  HttpSessionSettings session;
  bool secure = false;
  std::string host;
  uint16_t port = 80;
  std::string user;
  std::string password;
  std::string verb = "POST";
  // From the path to the end, query included: "/qav/applinks/versioncheck/".
  std::string objectName = "/";
  // "Name: value" lines after the library's own.
  std::vector<std::string> headers;
  // The exact Content-Length of a POST.
  uint64_t bodyLength = 0;
  // Certificates that https peers are checked against; "" for the system's.
  std::string caFile;
  HttpTimeouts timeouts;
  // When set (from any thread) the exchange fails at once.
  const std::atomic<bool>* abortFlag = nullptr;
};

}  // namespace qav::net
