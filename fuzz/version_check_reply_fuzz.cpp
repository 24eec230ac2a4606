// The version check's reply: an HTTP reply taken over from libcurl (as in http_response) whose body
// is the enveloped reply document, read by the version check as its exchange does, accepted or
// refused by its root, and asked for every value the main window reads. So that the document
// itself is reached past the envelope's checksum, one variant wraps the body in an envelope first.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/server_string.h"
#include "foundation/version.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/http_reply_feed.h"
#include "net/http_response.h"
#include "net/server_access.h"
#include "net/server_reply.h"
#include "platform/text.h"

namespace {

// The end of the reply's head: the body follows it.
size_t BodyStart(std::string_view reply) {
  const size_t crlf = reply.find("\r\n\r\n");
  if (crlf != std::string_view::npos) return crlf + 4;
  const size_t lf = reply.find("\n\n");
  return lf == std::string_view::npos ? reply.size() : lf + 2;
}

// What the main window does with an accepted reply.
void AskAsTheMainWindow(const CServerReply& reply) {
  int32_t number = 0;
  for (const char16_t* path : {u"QAV/UpdateCheckPeriodSec", u"QAV/ShowCheckForUpdateBtn", u"QAV/ReportProblemUsingWebPage",
                               u"QAV/IsSkypeCertified"}) {
    reply.GetInt(path, number, 10);
  }
  reply.GetInt(u"QAV\\UpdateCheckPeriodSec", number, 16);
  std::u16string version;
  if (reply.GetString(u"QAV/LatestVer", version)) {
    int newer = 0;
    CVersion::CompareSWVersions(version, u"1.2.3.4", newer);
    CVersion::ComparePackedVersions(CVersion::ParseVersion(version), CVersion::ParseVersion(u"1.2.3.4"));
  }
  std::u16string text;
  reply.GetAttribute(u"QAV/LatestVer", u"sLink", text);
  reply.GetAttribute(u"QAV/LatestVer", u"CritialUpdate", text);
  reply.GetString(u"QAV/MinimunVersion", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t choice = qav::fuzz::TakeByte(input);
  const bool wrap = (choice & 1) != 0;
  const size_t piece = 1 + (choice >> 1) * 37;

  std::string reply(input);
  std::u16string document;
  if (wrap) {
    const size_t bodyAt = BodyStart(input);
    // Text that UTF-8 can carry (the envelope holds UTF-8), so that it must come back unchanged.
    document = qav::Utf8ToUtf16(qav::Utf16ToUtf8(qav::Utf8ToUtf16(input.substr(bodyAt))));
    reply = std::string(input.substr(0, bodyAt)) + qav::Utf16ToUtf8(EncodeServerString(document, choice)) + "\r\n";
  }
  qav::net::CurlReplyFeed::Fed fed = qav::net::CurlReplyFeed::Receive(reply, piece);
  Vemra::CHttpResponseT response(std::move(fed.transfer));
  CServerAccess access;
  if (access.ReadReply(response) != 1) return 0;
  // An envelope made of a document unwraps to that document (the head may have let more in).
  if (wrap && fed.body.size() == reply.size() - BodyStart(reply) && access.GetReply() != document) __builtin_trap();

  if (!CServerReply::IsProgramReply(access.GetReply())) return 0;
  CServerReply accepted;
  accepted.Take(access.GetReply());
  AskAsTheMainWindow(accepted);
  return 0;
}
