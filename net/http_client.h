// The request side of the program's HTTP client: form parameters and extra headers, sent as a
// URL-encoded form POST or as a multipart/form-data upload (files included), in steps.
//
// The caller starts a request (BeginPost, BeginUpload) and then calls Proceed again and again;
// each call writes one bounded piece of the body and returns null, until the body is complete and
// the reply's head has arrived: then it returns the response, which the caller owns, and the client
// is idle again. The Content-Length is computed before the first byte is sent, so the body is
// streamed (files are read through one 57344-byte buffer, never held whole).
//
// Parameters go on the wire in the map's order (names compared without regard to case), not in the
// order they were added. Names, values and file names are sent as UTF-8 (SetUseUtf8) or in the
// 8-bit code page; an upload names each file by its base name, and a CR, LF or double quote in a
// part header's name or file name goes out percent-encoded, so no text can break the header.
//
// Every failure throws httpclientexceptionW (net/http_client_exception.h); after a failed step the
// client holds no connection and no open file. Connection failures (TLS included) are 407, failures
// while the body is written 408, failures while the reply is awaited 409, each with libcurl's
// error number as the system error.
//
// Threading: one thread at a time. The abort flag (SetAbortFlag) may be set from any thread and
// ends the step under way promptly.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/http_client_map.h"
#include "net/http_post_stat.h"
#include "net/http_response.h"
#include "net/http_transfer_settings.h"

namespace Vemra {

// Parameter attribute bits (AddParam's third argument).
inline constexpr uint32_t kParamFile = 0x01;            // the value is the path of a file to upload
inline constexpr uint32_t kParamNameUnencoded = 0x02;   // form POST: the name is sent as it is
inline constexpr uint32_t kParamValueUnencoded = 0x04;  // form POST: the value is sent as it is

class CHttpClientT {
 public:
  static constexpr char16_t kDefaultUserAgent[] = u"Vemra HTTP Client Class";
  static constexpr char16_t kDefaultBoundary[] = u"----VEMRA-FB3B405B7EAE495aB0C0295C54D4E096-";
  static constexpr uint32_t kFileBufferSize = 0xE000;

  CHttpClientT();
  virtual ~CHttpClientT();
  CHttpClientT(const CHttpClientT&) = delete;
  CHttpClientT& operator=(const CHttpClientT&) = delete;

  // The internet session: user agent (nullopt: the default), access type (0 the environment's
  // proxy, 1 direct, 3 the named proxy), proxy, bypass list and flags (kept, not used here).
  void SetInternet(std::optional<std::u16string_view> userAgent, uint32_t accessType = 0,
                   std::optional<std::u16string_view> proxyName = std::nullopt,
                   std::optional<std::u16string_view> proxyBypass = std::nullopt, uint32_t flags = 0);
  std::u16string GetUserAgent() const;
  // Proxy credentials; a null user clears both. With a user, neither may be empty.
  void SetProxyAccount(std::optional<std::u16string_view> user, std::optional<std::u16string_view> password);

  // Each returns the previous value; refused while a request is under way.
  bool SetUseUtf8(bool useUtf8);
  uint32_t SetAnsiCodePage(uint32_t codePage);
  // When set, a file that cannot be opened fails the upload's start (603) instead of going out as
  // an empty part.
  bool SetStrictFileMode(bool strict);

  // Extra request headers (neither name nor value empty, no CR or LF) and form parameters; all
  // refused while a request is under way.
  void AddHeader(std::u16string_view name, std::u16string_view value);
  void SetHeader(std::u16string_view name, std::u16string_view value, size_t index = 0);
  void AddParam(std::u16string_view name, std::optional<std::u16string_view> value, uint32_t attributes = 0);
  void SetParam(std::u16string_view name, std::optional<std::u16string_view> value, uint32_t attributes = 0,
                size_t index = 0);
  int RemoveParam(std::u16string_view name, size_t index = 0);
  int RemoveAllParam(std::u16string_view name);
  int ClearParam();
  const CHttpClientMapT& Params() const { return m_params; }
  const CHttpClientMapT& Headers() const { return m_headers; }

  const std::u16string& GetBoundary() const { return m_boundary; }
  const std::u16string& GetUploadContentType() const { return m_uploadContentType; }

  // Bounds of each exchange, the stop flag (read from the transfer's thread; must outlive the
  // requests) and a CA file for https peers ("" for the system's certificates).
  void SetTimeouts(const qav::net::HttpTimeouts& timeouts) { m_timeouts = timeouts; }
  void SetAbortFlag(const std::atomic<bool>* abortFlag) { m_abortFlag = abortFlag; }
  void SetCaFile(std::u16string_view path) { m_caFile = path; }

  // Start a request, ending one under way first. Without `useCache` the request asks for a fresh
  // reply ("Cache-Control: no-cache").
  void BeginPost(std::u16string_view url, bool useCache = false);
  void BeginUpload(std::u16string_view url, bool useCache = false);
  // Sends at most `desired` payload bytes (or one piece of framing); the response once complete.
  std::unique_ptr<CHttpResponseT> Proceed(uint32_t desired = 1024);
  // The whole request at once: begin, then proceed until the response.
  std::unique_ptr<CHttpResponseT> RequestPost(std::u16string_view url, bool useCache = false);
  std::unique_ptr<CHttpResponseT> RequestUpload(std::u16string_view url, bool useCache = false);
  // A GET of the URL with the parameters in its query (MakeGetUrl); connection failures and
  // failures while the reply is awaited are 406.
  std::unique_ptr<CHttpResponseT> RequestGet(std::u16string_view url, bool useCache = false);
  // The URL up to the end of its query ("/" added when it has no path), then "&" (or "?" without
  // a query) and the parameters as name=value pairs joined by "&", percent-encoded as a form POST
  // encodes them, then the fragment. Without parameters the URL as it is.
  std::u16string MakeGetUrl(std::u16string_view url) const;
  // Abandons the request under way; 1 if there was one.
  int EndPostContext();
  // The live progress record (inactive while idle).
  const CHttpPostStatT& GetPostStat() const { return m_stat; }

 private:
  struct UploadPart;

  void CheckIdle(const char16_t* operation) const;
  std::string Encode8(std::u16string_view text) const;
  // `contentType` "" sends none.
  qav::net::HttpTransferSettings PrepareRequest(std::u16string_view url, bool useCache, std::string contentType);
  std::string EncodedPair(const CHttpClientMapT::Entry& param) const;
  void Start(qav::net::HttpTransferSettings settings);
  void Write(std::string_view bytes, bool payload);
  std::unique_ptr<CHttpResponseT> EndRequest();
  void Reset();
  std::unique_ptr<CHttpResponseT> ProceedPost(uint32_t desired);
  std::unique_ptr<CHttpResponseT> ProceedUpload(uint32_t desired);
  void SendFileBytes(UploadPart& part, uint32_t count);

  bool m_strictFile = false;
  std::u16string m_boundary;
  std::string m_boundary8;
  std::u16string m_uploadContentType;
  bool m_useUtf8 = false;
  uint32_t m_codePage = 0;
  CHttpClientMapT m_headers;
  CHttpClientMapT m_params;
  std::optional<std::u16string> m_userAgent;
  uint32_t m_accessType = 0;
  std::optional<std::u16string> m_proxyName;
  std::optional<std::u16string> m_proxyBypass;
  uint32_t m_internetFlags = 0;
  std::optional<std::u16string> m_proxyUser;
  std::optional<std::u16string> m_proxyPassword;
  qav::net::HttpTimeouts m_timeouts;
  const std::atomic<bool>* m_abortFlag = nullptr;
  std::u16string m_caFile;

  CHttpPostStatT m_stat;
  std::vector<UploadPart> m_parts;
  std::string m_currentValue;
  std::unique_ptr<qav::net::CurlTransfer> m_transfer;
  bool m_formMode = false;
  std::vector<char> m_fileBuffer;
};

}  // namespace Vemra
