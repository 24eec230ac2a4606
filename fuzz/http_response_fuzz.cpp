// HTTP replies as the program takes them over from libcurl: the heads' lines (status line and
// headers; an interim reply or a followed redirect starts over), then the body in pieces; read back
// through the response object as the client's callers do. The body must come back byte for byte.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/http_reply_feed.h"
#include "net/http_client_exception.h"
#include "net/http_response.h"
#include "platform/text.h"

namespace {

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) __builtin_trap();
  char buffer[4096];
  for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<size_t>(got));
  close(fd);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t choice = qav::fuzz::TakeByte(input);
  // libcurl hands the body over in pieces of any size; the caller reads in pieces of its own.
  const size_t piece = 1 + (choice & 0x0F) * 131;
  const uint32_t readSize = 1 + static_cast<uint32_t>((choice >> 4) & 0x07) * 509;
  const bool saveToFile = (choice & 0x80) != 0;

  qav::net::CurlReplyFeed::Fed fed = qav::net::CurlReplyFeed::Receive(input, piece);
  std::vector<std::u16string> names;
  for (const auto& header : fed.transfer->Headers()) names.push_back(qav::Utf8ToUtf16(header.first));
  Vemra::CHttpResponseT response(std::move(fed.transfer));

  try {
    response.GetStatus();
    response.GetStatusText();
  } catch (const Vemra::httpclientexceptionW&) {
    // A reply without a status line: error 400, as the callers expect.
  }
  for (const std::u16string& name : names) {
    const size_t count = response.GetHeaderCount(name);
    if (count == 0) __builtin_trap();  // the name was in the head
    for (size_t i = 0; i < count; ++i) {
      if (response.GetHeader(name, i) == nullptr) __builtin_trap();
    }
    if (response.GetHeader(name, count) != nullptr) __builtin_trap();
  }
  response.GetHeader(u"Content-Type");
  response.GetContentLength();

  std::string body;
  if (saveToFile) {
    const std::string path = qav::fuzz::Folder() + "reply";
    response.SaveContent(qav::Utf8ToUtf16(path), true);
    body = ReadFileBytes(path);
  } else {
    std::string buffer(readSize, '\0');
    while (const uint32_t got = response.ReadContent(buffer.data(), readSize)) {
      if (got > readSize) __builtin_trap();
      body.append(buffer.data(), got);
    }
  }
  if (body != fed.body) __builtin_trap();
  return 0;
}
