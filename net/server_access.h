// The poster of the version check: it sends its named parameters as a URL-encoded form to the
// version-check page of the product's area on the maker's web server and keeps the decoded reply.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <string_view>

#include "net/http_transfer_settings.h"

namespace Vemra {
class CHttpResponseT;
}

class CServerAccess {
 public:
  // The page under the product's area ("http://host/qav/" + this).
  static constexpr char16_t kVersionCheckPage[] = u"applinks/versioncheck/";
  static constexpr char16_t kUserAgent[] = u"Zarvelin User Agent v1.0";
  // Replies longer than this are refused: they come from the network and are read into memory.
  static constexpr size_t kMaxReplyBytes = 1024 * 1024;

  // `productBase` is the product's area, ending in "qav/".
  explicit CServerAccess(std::u16string productBase = {}) : m_productBase(std::move(productBase)) {}
  virtual ~CServerAccess() = default;

  void SetProductBase(std::u16string productBase) { m_productBase = std::move(productBase); }
  void SetTimeouts(const qav::net::HttpTimeouts& timeouts) { m_timeouts = timeouts; }

  // Stores the value under the name, replacing an earlier one; with `envelope` the envelope
  // encoding of the value (foundation/server_string.h).
  void AddParam(std::u16string_view name, std::u16string_view value, bool envelope);
  void RemoveParam(std::u16string_view name);

  // Posts every parameter and keeps the decoded reply. 1 on success (status 200 and a text/*
  // reply); 0 on any failure, which is logged and leaves the reply as it was. `abortFlag`, when
  // given, ends the exchange at once when set.
  int UpdateServerInformation(const std::atomic<bool>* abortFlag = nullptr);

  // The reply's part of the exchange: checks the status and type, reads the body and keeps it
  // decoded. Same result and log as UpdateServerInformation; apart so that replies can be fed to
  // it without a connection.
  int ReadReply(Vemra::CHttpResponseT& response);

  std::u16string GetReply() const { return m_reply; }

 private:
  std::u16string m_productBase;
  qav::net::HttpTimeouts m_timeouts{.connectMs = 30000, .stallMs = 30000, .totalMs = 120000};
  std::u16string m_reply;
  std::map<std::u16string, std::u16string> m_params;
};
