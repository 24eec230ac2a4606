#include "net/http_client.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <random>

#include "net/curl_transfer.h"
#include "net/http_client_exception.h"
#include "net/http_encoder.h"
#include "net/http_error_table.h"
#include "net/http_url_analyzer.h"
#include "net/mime_sniffer.h"
#include "platform/text.h"

namespace Vemra {

// One part of an upload, its header made when the upload starts so that the Content-Length and the
// bytes written come from the same text.
struct CHttpClientT::UploadPart {
  std::u16string name;
  std::optional<std::u16string> path;  // set for a file parameter
  std::string header;
  std::string value;  // a text parameter's bytes
  int fd = -1;
  uint32_t size = 0;  // the file's size when the upload started: exactly this much is sent

  UploadPart() = default;
  UploadPart(UploadPart&& other) noexcept { *this = std::move(other); }
  UploadPart& operator=(UploadPart&& other) noexcept {
    std::swap(name, other.name);
    std::swap(path, other.path);
    std::swap(header, other.header);
    std::swap(value, other.value);
    std::swap(fd, other.fd);
    std::swap(size, other.size);
    return *this;
  }
  ~UploadPart() {
    if (fd >= 0) ::close(fd);
  }
};

namespace {

std::u16string MakeBoundary() {
  std::random_device random;
  std::uniform_int_distribution<uint32_t> word;
  const uint32_t data1 = word(random);
  const uint32_t data23 = word(random);
  const uint32_t bytes0 = word(random);
  const uint32_t bytes1 = word(random);
  char text[64];
  std::snprintf(text, sizeof text, "----NUBAX-%.08x%.04x%.04x%.02x%.02x%.02x%.02x%.02x%.02x%.02x%.02x-", data1,
                data23 >> 16, data23 & 0xFFFF, bytes0 >> 24, (bytes0 >> 16) & 0xFF, (bytes0 >> 8) & 0xFF,
                bytes0 & 0xFF, bytes1 >> 24, (bytes1 >> 16) & 0xFF, (bytes1 >> 8) & 0xFF, bytes1 & 0xFF);
  return qav::Utf8ToUtf16(text);
}

// A part header's quoted text: CR, LF and the double quote percent-encoded, as browsers send them.
std::string EscapeHeaderText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\r') {
      out += "%0D";
    } else if (c == '\n') {
      out += "%0A";
    } else if (c == '"') {
      out += "%22";
    } else {
      out += c;
    }
  }
  return out;
}

std::u16string_view BaseName(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"/\\");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

bool HasLineBreak(std::u16string_view text) { return text.find_first_of(u"\r\n") != std::u16string_view::npos; }

}  // namespace

CHttpClientT::CHttpClientT() {
  try {
    m_boundary = MakeBoundary();
  } catch (...) {
    m_boundary = kDefaultBoundary;
  }
  m_boundary8 = qav::Utf16ToUtf8(m_boundary);
  m_uploadContentType = u"multipart/form-data; boundary=" + m_boundary;
}

CHttpClientT::~CHttpClientT() { Reset(); }

void CHttpClientT::CheckIdle(const char16_t* operation) const {
  if (m_stat.IsActive()) {
    ThrowHttpArgument(std::u16string(u"CHttpClientT::") + operation +
                      u": It is not allowed to call this method if the POST context is active.");
  }
}

std::string CHttpClientT::Encode8(std::u16string_view text) const {
  return CHttpEncoderW::Encode8(text, m_useUtf8, m_codePage);
}

void CHttpClientT::SetInternet(std::optional<std::u16string_view> userAgent, uint32_t accessType,
                               std::optional<std::u16string_view> proxyName,
                               std::optional<std::u16string_view> proxyBypass, uint32_t flags) {
  const auto copy = [](std::optional<std::u16string_view> text) -> std::optional<std::u16string> {
    if (!text) return std::nullopt;
    return std::u16string(*text);
  };
  m_userAgent = copy(userAgent);
  m_accessType = accessType;
  m_proxyName = copy(proxyName);
  m_proxyBypass = copy(proxyBypass);
  m_internetFlags = flags;
}

std::u16string CHttpClientT::GetUserAgent() const { return m_userAgent ? *m_userAgent : kDefaultUserAgent; }

void CHttpClientT::SetProxyAccount(std::optional<std::u16string_view> user,
                                   std::optional<std::u16string_view> password) {
  if (!user) {
    m_proxyUser.reset();
    m_proxyPassword.reset();
    return;
  }
  if (user->empty()) ThrowHttpArgument(u"CHttpClientT::SetProxyAccount: szUserName can not be an empty string.");
  if (!password) ThrowHttpArgument(u"CHttpClientT::SetProxyAccount: szPassword can not be NULL.");
  if (password->empty()) ThrowHttpArgument(u"CHttpClientT::SetProxyAccount: szPassword can not be an empty string.");
  m_proxyUser = std::u16string(*user);
  m_proxyPassword = std::u16string(*password);
}

bool CHttpClientT::SetUseUtf8(bool useUtf8) {
  CheckIdle(u"SetUseUtf8");
  return std::exchange(m_useUtf8, useUtf8);
}

uint32_t CHttpClientT::SetAnsiCodePage(uint32_t codePage) {
  CheckIdle(u"SetAnsiCodePage");
  if (codePage == kCodePageUtf8 || codePage == kCodePageUtf7) {
    ThrowHttpArgument(
        u"CHttpClientT::SetAnsiCodePage: CP_UTF8 and CP_UTF7 can not be used for the nAnsiCodePage parameter.");
  }
  return std::exchange(m_codePage, codePage);
}

bool CHttpClientT::SetStrictFileMode(bool strict) {
  CheckIdle(u"SetStrictFileMode");
  return std::exchange(m_strictFile, strict);
}

void CHttpClientT::AddHeader(std::u16string_view name, std::u16string_view value) {
  CheckIdle(u"AddHeader");
  if (name.empty()) ThrowHttpArgument(u"CHttpClientT::AddHeader: szName can not be an empty string.");
  if (value.empty()) ThrowHttpArgument(u"CHttpClientT::AddHeader: szValue can not be an empty string.");
  if (HasLineBreak(name) || HasLineBreak(value) || name.find(u':') != std::u16string_view::npos) {
    ThrowHttpArgument(u"CHttpClientT::AddHeader: a header can not hold a line break.");
  }
  m_headers.Add(name, value);
}

void CHttpClientT::SetHeader(std::u16string_view name, std::u16string_view value, size_t index) {
  CheckIdle(u"SetHeader");
  if (name.empty()) ThrowHttpArgument(u"CHttpClientT::SetHeader: szName can not be an empty string.");
  if (value.empty()) ThrowHttpArgument(u"CHttpClientT::SetHeader: szValue can not be an empty string.");
  if (HasLineBreak(name) || HasLineBreak(value) || name.find(u':') != std::u16string_view::npos) {
    ThrowHttpArgument(u"CHttpClientT::SetHeader: a header can not hold a line break.");
  }
  m_headers.Set(name, value, 0, index);
}

void CHttpClientT::AddParam(std::u16string_view name, std::optional<std::u16string_view> value, uint32_t attributes) {
  CheckIdle(u"AddParam");
  m_params.Add(name, value, attributes);
}

void CHttpClientT::SetParam(std::u16string_view name, std::optional<std::u16string_view> value, uint32_t attributes,
                            size_t index) {
  CheckIdle(u"SetParam");
  m_params.Set(name, value, attributes, index);
}

int CHttpClientT::RemoveParam(std::u16string_view name, size_t index) {
  CheckIdle(u"RemoveParam");
  return m_params.Remove(name, index);
}

int CHttpClientT::RemoveAllParam(std::u16string_view name) {
  CheckIdle(u"RemoveAllParam");
  return m_params.RemoveAll(name);
}

int CHttpClientT::ClearParam() {
  CheckIdle(u"ClearParam");
  return m_params.Empty();
}

qav::net::HttpTransferSettings CHttpClientT::PrepareRequest(std::u16string_view url, bool useCache,
                                                            std::string contentType) {
  CHttpUrlAnalyzerT analyzer;
  analyzer.Analyze(url);
  qav::net::HttpTransferSettings settings;
  settings.secure = qav::EqualsNoCase(CHttpUrlAnalyzerT::Part(url, analyzer.Scheme()), u"https");
  settings.port = settings.secure ? 443 : 80;
  const std::u16string_view port = CHttpUrlAnalyzerT::Part(url, analyzer.Port());
  if (!port.empty()) {
    const auto number = qav::ParseUInt32(port);
    const bool digits = port.find_first_not_of(u"0123456789") == std::u16string_view::npos;
    if (port.size() > 5 || !digits || !number || *number > 65535) ThrowHttpError(kHttpErrorInvalidPort);
    settings.port = static_cast<uint16_t>(*number);
  }
  const std::u16string_view host = CHttpUrlAnalyzerT::Part(url, analyzer.Host());
  if (host.empty()) ThrowHttpError(kHttpErrorInvalidUrl);
  settings.host = qav::Utf16ToUtf8(host);

  const CHttpUrlAnalyzerT::Range path = analyzer.Path();
  if (path.length > 0) {
    settings.objectName = qav::Utf16ToUtf8(url.substr(path.offset));
  } else {
    settings.objectName = "/" + qav::Utf16ToUtf8(url.substr(path.offset));
  }
  // The request line cannot carry blanks or control characters.
  for (const char c : settings.objectName) {
    if (static_cast<unsigned char>(c) <= ' ') ThrowHttpError(kHttpErrorInvalidUrl);
  }

  settings.session.userAgent = qav::Utf16ToUtf8(GetUserAgent());
  settings.session.accessType = m_accessType;
  if (m_proxyName) settings.session.proxy = qav::Utf16ToUtf8(*m_proxyName);
  if (m_proxyBypass) settings.session.proxyBypass = qav::Utf16ToUtf8(*m_proxyBypass);
  if (m_proxyUser && m_proxyPassword) {
    settings.session.proxyUser = qav::Utf16ToUtf8(*m_proxyUser);
    settings.session.proxyPassword = qav::Utf16ToUtf8(*m_proxyPassword);
  }
  if (!useCache) settings.headers.push_back("Cache-Control: no-cache");
  for (const CHttpClientMapT::Entry& header : m_headers.Entries()) {
    settings.headers.push_back(Encode8(header.name) + ": " + Encode8(header.value.value_or(u"")));
  }
  if (!contentType.empty()) settings.headers.push_back("Content-Type: " + std::move(contentType));
  settings.caFile = qav::Utf16ToUtf8(m_caFile);
  settings.timeouts = m_timeouts;
  settings.abortFlag = m_abortFlag;
  return settings;
}

void CHttpClientT::Start(qav::net::HttpTransferSettings settings) {
  m_transfer = std::make_unique<qav::net::CurlTransfer>();
  const int error = m_transfer->Start(settings);
  if (error != 0) ThrowHttpTransferError(kHttpErrorSendRequestEx, static_cast<uint32_t>(error), m_transfer->FailureText());
}

void CHttpClientT::BeginPost(std::u16string_view url, bool useCache) {
  EndPostContext();
  try {
    uint32_t bodyLength = 0;
    uint32_t payloadTotal = 0;
    for (const CHttpClientMapT::Entry& param : m_params.Entries()) {
      const std::u16string value = param.value.value_or(u"");
      const uint32_t nameLength = (param.attributes & kParamNameUnencoded)
                                      ? CheckedAdd(0, Encode8(param.name).size())
                                      : CHttpEncoderW::UrlEncodeLen(param.name, m_useUtf8, m_codePage);
      const uint32_t valueLength = (param.attributes & kParamValueUnencoded)
                                       ? CheckedAdd(0, Encode8(value).size())
                                       : CHttpEncoderW::UrlEncodeLen(value, m_useUtf8, m_codePage);
      bodyLength = CheckedAdd(CheckedAdd(CheckedAdd(bodyLength, 2), nameLength), valueLength);
      payloadTotal = CheckedAdd(payloadTotal, valueLength);
    }
    if (bodyLength > 0) --bodyLength;  // no "&" before the first parameter

    qav::net::HttpTransferSettings settings =
        PrepareRequest(url, useCache, "application/x-www-form-urlencoded");
    settings.bodyLength = bodyLength;
    Start(std::move(settings));
    m_stat.Begin(bodyLength, payloadTotal, CheckedAdd(0, m_params.Count()), 0);
    m_formMode = true;
  } catch (...) {
    Reset();
    throw;
  }
}

void CHttpClientT::BeginUpload(std::u16string_view url, bool useCache) {
  EndPostContext();
  try {
    uint32_t fileCount = 0;
    uint32_t payloadTotal = 0;
    uint32_t bodyLength = 0;
    for (const CHttpClientMapT::Entry& param : m_params.Entries()) {
      UploadPart part;
      part.name = param.name;
      const std::u16string value = param.value.value_or(u"");
      std::string header = "--" + m_boundary8 + "\r\nContent-Disposition: form-data; name=\"" +
                           EscapeHeaderText(Encode8(param.name)) + "\"";
      if (param.attributes & kParamFile) {
        part.path = value;
        fileCount = CheckedAdd(fileCount, 1);
        std::string firstBytes;
        part.fd = ::open(qav::Utf16ToUtf8(value).c_str(), O_RDONLY | O_CLOEXEC);
        if (part.fd >= 0) {
          struct stat info {};
          if (::fstat(part.fd, &info) != 0) ThrowHttpFileError(kHttpErrorFileSize, value, errno);
          part.size = CheckedAdd(0, static_cast<uint64_t>(info.st_size));
          ::posix_fadvise(part.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
          firstBytes.resize(qav::net::kMimeSniffBytes);
          const ssize_t got = ::pread(part.fd, firstBytes.data(), firstBytes.size(), 0);
          if (got < 0) ThrowHttpError(kHttpErrorFileRead, errno);
          firstBytes.resize(static_cast<size_t>(got));
        } else if (m_strictFile) {
          ThrowHttpFileError(kHttpErrorFileOpen, value, errno);
        }
        const std::string mime =
            part.fd >= 0 ? qav::net::SniffMimeType(firstBytes) : std::string("application/octet-stream");
        header += "; filename=\"" + EscapeHeaderText(Encode8(BaseName(value))) + "\"\r\nContent-Type: " + mime +
                  "\r\n\r\n";
        payloadTotal = CheckedAdd(payloadTotal, part.size);
        bodyLength = CheckedAdd(bodyLength, part.size);
      } else {
        header += "\r\n\r\n";
        part.value = Encode8(value);
        payloadTotal = CheckedAdd(payloadTotal, part.value.size());
        bodyLength = CheckedAdd(bodyLength, part.value.size());
      }
      part.header = std::move(header);
      bodyLength = CheckedAdd(CheckedAdd(bodyLength, part.header.size()), 2);
      m_parts.push_back(std::move(part));
    }
    bodyLength = CheckedAdd(bodyLength, m_boundary8.size() + (m_parts.empty() ? 8 : 6));

    qav::net::HttpTransferSettings settings = PrepareRequest(url, useCache, qav::Utf16ToUtf8(m_uploadContentType));
    settings.bodyLength = bodyLength;
    Start(std::move(settings));
    m_stat.Begin(bodyLength, payloadTotal, CheckedAdd(0, m_parts.size()), fileCount);
    m_formMode = false;
  } catch (...) {
    Reset();
    throw;
  }
}

void CHttpClientT::Write(std::string_view bytes, bool payload) {
  if (bytes.empty()) return;
  // The counters are tested before anything goes out.
  CheckedAdd(m_stat.ActualPostedByte(), bytes.size());
  if (CheckedAdd(m_stat.ActualPostedByte(), bytes.size()) > m_stat.ActualTotalByte()) {
    ThrowHttpError(kHttpErrorOverflow);
  }
  const int error = m_transfer->Write(bytes.data(), bytes.size());
  if (error != 0) ThrowHttpTransferError(kHttpErrorWriteFile, static_cast<uint32_t>(error), m_transfer->FailureText());
  if (payload) {
    m_stat.AddPayloadPosted(bytes.size());
  } else {
    m_stat.AddActualPosted(bytes.size());
  }
}

std::unique_ptr<CHttpResponseT> CHttpClientT::EndRequest() {
  if (const int error = m_transfer->Flush(); error != 0) {
    ThrowHttpTransferError(kHttpErrorWriteFile, static_cast<uint32_t>(error), m_transfer->FailureText());
  }
  const int error = m_transfer->Finish();
  if (error != 0) ThrowHttpTransferError(kHttpErrorEndRequest, static_cast<uint32_t>(error), m_transfer->FailureText());
  auto response = std::make_unique<CHttpResponseT>(std::move(m_transfer));
  Reset();
  return response;
}

void CHttpClientT::Reset() {
  m_transfer.reset();
  m_parts.clear();
  m_currentValue.clear();
  m_currentValue.shrink_to_fit();
  m_fileBuffer = {};
  m_stat.Clear();
  m_formMode = false;
}

int CHttpClientT::EndPostContext() {
  const bool active = m_stat.IsActive();
  Reset();
  return active ? 1 : 0;
}

std::unique_ptr<CHttpResponseT> CHttpClientT::Proceed(uint32_t desired) {
  const char16_t* operation = m_formMode ? u"CHttpClientT::_ProceedPostContext: " : u"CHttpClientT::_ProceedUploadContext: ";
  if (!m_stat.IsActive()) ThrowHttpError(kHttpErrorNotStarted);
  if (!m_transfer) ThrowHttpArgument(std::u16string(operation) + u"m_hRequest can not be NULL.");
  if (desired == 0) ThrowHttpArgument(std::u16string(operation) + u"nDesired can not be zero.");
  try {
    return m_formMode ? ProceedPost(desired) : ProceedUpload(desired);
  } catch (const httpclientexceptionW&) {
    Reset();
    throw;
  } catch (const std::bad_alloc&) {
    Reset();
    ThrowHttpError(kHttpErrorOutOfMemory);
  } catch (const std::exception&) {
    Reset();
    ThrowHttpError(108);
  }
}

std::unique_ptr<CHttpResponseT> CHttpClientT::RequestPost(std::u16string_view url, bool useCache) {
  BeginPost(url, useCache);
  std::unique_ptr<CHttpResponseT> response;
  while (!(response = Proceed(UINT32_MAX))) {
  }
  return response;
}

std::unique_ptr<CHttpResponseT> CHttpClientT::RequestUpload(std::u16string_view url, bool useCache) {
  BeginUpload(url, useCache);
  std::unique_ptr<CHttpResponseT> response;
  while (!(response = Proceed(UINT32_MAX))) {
  }
  return response;
}

std::string CHttpClientT::EncodedPair(const CHttpClientMapT::Entry& param) const {
  const std::u16string value = param.value.value_or(u"");
  return ((param.attributes & kParamNameUnencoded) ? Encode8(param.name)
                                                   : CHttpEncoderW::UrlEncodeA(param.name, m_useUtf8, m_codePage)) +
         "=" +
         ((param.attributes & kParamValueUnencoded) ? Encode8(value)
                                                    : CHttpEncoderW::UrlEncodeA(value, m_useUtf8, m_codePage));
}

std::u16string CHttpClientT::MakeGetUrl(std::u16string_view url) const {
  if (m_params.Count() == 0) return std::u16string(url);
  CHttpUrlAnalyzerT analyzer;
  analyzer.Analyze(url, kCodePageSystem);
  const CHttpUrlAnalyzerT::Range path = analyzer.Path();
  const CHttpUrlAnalyzerT::Range query = analyzer.Query();
  const CHttpUrlAnalyzerT::Range fragment = analyzer.Fragment();
  std::u16string out(url.substr(0, path.offset));
  out += path.length > 0 ? url.substr(path.offset, path.length) : u"/";
  out += url.substr(query.offset, query.length);
  out += query.length > 0 ? u"&" : u"?";
  std::string pairs;
  for (const CHttpClientMapT::Entry& param : m_params.Entries()) {
    if (!pairs.empty()) pairs += '&';
    pairs += EncodedPair(param);
  }
  out += qav::Utf8ToUtf16(pairs);
  out += url.substr(fragment.offset, fragment.length);
  return out;
}

std::unique_ptr<CHttpResponseT> CHttpClientT::RequestGet(std::u16string_view url, bool useCache) {
  EndPostContext();
  try {
    qav::net::HttpTransferSettings settings = PrepareRequest(MakeGetUrl(url), useCache, "");
    settings.verb = "GET";
    m_transfer = std::make_unique<qav::net::CurlTransfer>();
    int error = m_transfer->Start(settings);
    if (error == 0) error = m_transfer->Finish();
    if (error != 0) ThrowHttpError(kHttpErrorSendRequest, static_cast<uint32_t>(error));
    auto response = std::make_unique<CHttpResponseT>(std::move(m_transfer));
    Reset();
    return response;
  } catch (const httpclientexceptionW&) {
    Reset();
    throw;
  } catch (const std::bad_alloc&) {
    Reset();
    ThrowHttpError(kHttpErrorOutOfMemory);
  }
}

std::unique_ptr<CHttpResponseT> CHttpClientT::ProceedPost(uint32_t desired) {
  if (m_stat.CurrParamIsComplete()) {
    const uint32_t index = m_stat.PostedCount();
    if (index == m_stat.TotalCount()) return EndRequest();
    const CHttpClientMapT::Entry& param = m_params.Entries()[index];
    if (index > 0) Write("&", false);
    Write((param.attributes & kParamNameUnencoded) ? Encode8(param.name)
                                                   : CHttpEncoderW::UrlEncodeA(param.name, m_useUtf8, m_codePage),
          false);
    Write("=", false);
    const std::u16string value = param.value.value_or(u"");
    m_currentValue = (param.attributes & kParamValueUnencoded)
                         ? Encode8(value)
                         : CHttpEncoderW::UrlEncodeA(value, m_useUtf8, m_codePage);
    m_stat.StartParam(param.name, CheckedAdd(0, m_currentValue.size()), std::nullopt);
    return nullptr;
  }
  const uint32_t count = std::min(desired, m_stat.CurrParamRemainByte());
  Write(std::string_view(m_currentValue).substr(m_stat.CurrParamPostedByte(), count), true);
  return nullptr;
}

std::unique_ptr<CHttpResponseT> CHttpClientT::ProceedUpload(uint32_t desired) {
  if (m_stat.IsComplete()) return EndRequest();
  if (m_parts.empty()) {
    Write("\r\n--" + m_boundary8 + "--\r\n", false);
    return nullptr;
  }
  if (m_stat.CurrParamIsComplete()) {
    const uint32_t index = m_stat.PostedCount();
    if (index == m_stat.TotalCount()) {
      Write("--" + m_boundary8 + "--\r\n", false);
      return nullptr;
    }
    UploadPart& part = m_parts[index];
    Write(part.header, false);
    const uint32_t length = part.path ? part.size : CheckedAdd(0, part.value.size());
    m_stat.StartParam(part.name, length, part.path);
    if (length == 0) Write("\r\n", false);
    return nullptr;
  }
  UploadPart& part = m_parts[m_stat.PostedCount() - 1];
  const uint32_t count = std::min(desired, m_stat.CurrParamRemainByte());
  if (part.path) {
    SendFileBytes(part, count);
  } else {
    Write(std::string_view(part.value).substr(m_stat.CurrParamPostedByte(), count), true);
  }
  if (m_stat.CurrParamIsComplete()) Write("\r\n", false);
  return nullptr;
}

void CHttpClientT::SendFileBytes(UploadPart& part, uint32_t count) {
  if (m_fileBuffer.empty()) m_fileBuffer.resize(kFileBufferSize);
  while (count > 0) {
    const size_t want = std::min<size_t>(count, m_fileBuffer.size());
    const ssize_t got = ::read(part.fd, m_fileBuffer.data(), want);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowHttpError(kHttpErrorFileRead, errno);
    }
    // The file shrank since the upload started: the body can no longer match its length.
    if (static_cast<size_t>(got) != want) ThrowHttpError(kHttpErrorShortRead);
    Write(std::string_view(m_fileBuffer.data(), want), true);
    count -= static_cast<uint32_t>(want);
  }
}

}  // namespace Vemra
