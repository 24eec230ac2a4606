#include "net/http_response.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "net/curl_transfer.h"
#include "net/http_client_exception.h"
#include "net/http_error_table.h"
#include "platform/text.h"

namespace Vemra {

CHttpResponseT::CHttpResponseT(std::unique_ptr<qav::net::CurlTransfer> transfer) : m_transfer(std::move(transfer)) {}

CHttpResponseT::~CHttpResponseT() = default;

void CHttpResponseT::CheckRequest(const char16_t* operation) const {
  if (!m_transfer) {
    ThrowHttpArgument(std::u16string(u"CHttpResponseT::") + operation + u": m_hRequest can not be NULL.");
  }
}

uint32_t CHttpResponseT::GetStatus() {
  CheckRequest(u"GetStatus");
  if (m_status == 0) {
    if (m_transfer->Status() <= 0) ThrowHttpError(kHttpErrorQueryInfo);
    m_status = static_cast<uint32_t>(m_transfer->Status());
  }
  return m_status;
}

const std::u16string& CHttpResponseT::GetStatusText() {
  CheckRequest(u"GetStatusText");
  if (!m_statusText) {
    if (m_transfer->Status() <= 0) ThrowHttpError(kHttpErrorQueryInfo);
    m_statusText = qav::Utf8ToUtf16(m_transfer->StatusText());
  }
  return *m_statusText;
}

size_t CHttpResponseT::LoadHeader(std::u16string_view name) {
  size_t found = 0;
  for (const auto& [headerName, value] : m_transfer->Headers()) {
    if (!qav::EqualsNoCase(qav::Utf8ToUtf16(headerName), name)) continue;
    m_headerCache.AddPointerDirectly(std::u16string(name), qav::Utf8ToUtf16(value));
    ++found;
  }
  return found;
}

const std::u16string* CHttpResponseT::GetHeader(std::u16string_view name, size_t index) {
  CheckRequest(u"GetHeader");
  if (!m_headerCache.Exists(name) && LoadHeader(name) == 0) return nullptr;
  return m_headerCache.Get(name, index);
}

size_t CHttpResponseT::GetHeaderCount(std::u16string_view name) {
  CheckRequest(u"GetHeaderCount");
  if (!m_headerCache.Exists(name)) LoadHeader(name);
  return m_headerCache.Count(name);
}

std::optional<uint64_t> CHttpResponseT::GetContentLength() {
  CheckRequest(u"GetContentLength");
  const std::u16string* value = GetHeader(u"Content-Length");
  if (!value) return std::nullopt;
  return qav::ParseUInt64(*value);
}

uint32_t CHttpResponseT::ReadContent(void* buffer, uint32_t size) {
  CheckRequest(u"ReadContent");
  if (!buffer) ThrowHttpArgument(u"CHttpResponseT::ReadContent: pbyBuff can not be NULL.");
  if (size == 0) ThrowHttpArgument(u"CHttpResponseT::ReadContent: cbBuff can not be zero.");
  size_t got = 0;
  const int error = m_transfer->Read(static_cast<char*>(buffer), size, got);
  if (error != 0) ThrowHttpTransferError(kHttpErrorReadFile, static_cast<uint32_t>(error), m_transfer->FailureText());
  return static_cast<uint32_t>(got);
}

}  // namespace Vemra

namespace Vemra {

void CHttpResponseT::SaveContent(std::u16string_view path, bool overwrite) {
  CheckRequest(u"SaveContent");
  const std::string name = qav::Utf16ToUtf8(path);
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL);
  const int fd = ::open(name.c_str(), flags, 0644);
  if (fd < 0) {
    if (errno == EEXIST) ThrowHttpFileError(kHttpErrorFileExists, path);
    ThrowHttpFileError(kHttpErrorFileOpen, path, errno);
  }
  char buffer[10240];
  try {
    while (const uint32_t got = ReadContent(buffer, sizeof buffer)) {
      for (uint32_t done = 0; done < got;) {
        const ssize_t written = ::write(fd, buffer + done, got - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) ThrowHttpFileError(kHttpErrorFileWrite, path, errno);
        done += static_cast<uint32_t>(written);
      }
    }
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
}

}  // namespace Vemra
