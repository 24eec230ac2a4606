// The reply to a request of the HTTP client (net/http_client.h): status, reason phrase, headers
// and body. It owns the request's transfer from the moment the client returns it; deleting it ends
// the exchange and closes the connection.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "net/http_client_map.h"

namespace qav::net {
class CurlTransfer;
}

namespace Vemra {

class CHttpResponseT {
 public:
  explicit CHttpResponseT(std::unique_ptr<qav::net::CurlTransfer> transfer);
  virtual ~CHttpResponseT();
  CHttpResponseT(const CHttpResponseT&) = delete;
  CHttpResponseT& operator=(const CHttpResponseT&) = delete;

  // The status code (error 400 when the reply had none).
  uint32_t GetStatus();
  // The reason phrase of the status line ("" when the server sent none).
  const std::u16string& GetStatusText();
  // The value of the index-th header of that name (names match without regard to case; an empty
  // header reads as ""), or nullptr when there is none.
  const std::u16string* GetHeader(std::u16string_view name, size_t index = 0);
  size_t GetHeaderCount(std::u16string_view name);
  // The Content-Length, when the reply has a valid one.
  std::optional<uint64_t> GetContentLength();
  // Reads up to `size` bytes of the body; 0 at its end. Error 401 when the exchange fails.
  uint32_t ReadContent(void* buffer, uint32_t size);
  // Writes the rest of the body to a file, created or truncated; without `overwrite` an existing
  // file is error 114. 603 when it cannot be created, 606 when a write fails.
  void SaveContent(std::u16string_view path, bool overwrite);

 private:
  void CheckRequest(const char16_t* operation) const;
  // Copies the headers of that name into the cache; the number found.
  size_t LoadHeader(std::u16string_view name);

  CHttpClientMapT m_headerCache;
  std::unique_ptr<qav::net::CurlTransfer> m_transfer;
  uint32_t m_status = 0;
  std::optional<std::u16string> m_statusText;
};

}  // namespace Vemra
