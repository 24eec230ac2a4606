// The HTTP client against real peers: the web server's stand-in (which saves every request byte for
// byte), its misbehaviours, and an HTTPS server with a certificate made for the test.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "net/http_client.h"
#include "net/http_client_exception.h"
#include "platform/process.h"
#include "platform/text.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/web_stand_in.h"

namespace Vemra {
namespace {

using qav::test::ReadFileBytes;
using qav::test::TempDir;
using qav::test::WebStandIn;
using qav::test::WriteFileBytes;

// Drives a request to its response, with a bound on the number of steps.
std::unique_ptr<CHttpResponseT> RunToResponse(CHttpClientT& client, uint32_t desired = 1024) {
  for (int step = 0; step < 10'000'000; ++step) {
    if (auto response = client.Proceed(desired)) return response;
  }
  ADD_FAILURE() << "no response";
  return nullptr;
}

std::string ReadAll(CHttpResponseT& response) {
  std::string body;
  char buffer[65536];
  while (const uint32_t got = response.ReadContent(buffer, sizeof buffer)) body.append(buffer, got);
  return body;
}

struct RawRequest {
  std::string head;
  std::string body;
  std::string Header(std::string_view name) const {
    const std::string key = "\r\n" + qav::ToLowerAscii(std::string(name)) + ": ";
    const std::string lower = qav::ToLowerAscii(head);
    const size_t at = lower.find(key);
    if (at == std::string::npos) return "<none>";
    const size_t start = at + key.size();
    return head.substr(start, head.find("\r\n", start) - start);
  }
};

RawRequest Saved(const WebStandIn& server, int number) {
  const std::string raw = server.Read(qav::FormatUtf8("request-%d.raw", number));
  const size_t end = raw.find("\r\n\r\n");
  if (end == std::string::npos) return {raw, ""};
  return {raw.substr(0, end + 2), raw.substr(end + 4)};
}

uint32_t ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const httpclientexceptionW& e) {
    return e.GetErrorCode();
  }
  return UINT32_MAX;
}

TEST(HttpClient, FormPostGoesOutByteForByteInMapOrder) {
  WebStandIn server;
  ASSERT_TRUE(server.started());
  CHttpClientT client;
  client.SetInternet(u"Test Agent 1.0");
  client.SetUseUtf8(true);
  client.AddParam(u"Subject", u"a b");
  client.AddParam(u"Body", u"\u00FC&");
  client.AddParam(u"Attachment", std::nullopt);
  client.AddParam(u"raw name", u"raw value", kParamNameUnencoded | kParamValueUnencoded);
  client.AddHeader(u"X-Extra", u"one");
  client.BeginPost(server.BaseUrl16() + u"qav/applinks/other/?q=1");
  const uint32_t total = client.GetPostStat().ActualTotalByte();
  auto response = RunToResponse(client, 1);
  ASSERT_TRUE(response);
  EXPECT_FALSE(client.GetPostStat().IsActive());

  const RawRequest request = Saved(server, 1);
  EXPECT_TRUE(request.head.starts_with("POST /qav/applinks/other/?q=1 HTTP/1.1\r\n")) << request.head;
  EXPECT_EQ(request.body, "Attachment=&Body=%C3%BC%26&raw name=raw value&Subject=a+b");
  EXPECT_EQ(request.Header("Content-Length"), std::to_string(request.body.size()));
  EXPECT_EQ(total, request.body.size());
  EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(request.Header("User-Agent"), "Test Agent 1.0");
  EXPECT_EQ(request.Header("Cache-Control"), "no-cache");
  EXPECT_EQ(request.Header("Accept"), "*/*");
  EXPECT_EQ(request.Header("X-Extra"), "one");
  EXPECT_EQ(request.Header("Expect"), "<none>");
  EXPECT_EQ(request.Header("Transfer-Encoding"), "<none>");

  EXPECT_EQ(response->GetStatus(), 404u);
  EXPECT_EQ(response->GetStatusText(), u"Not Found");
  ASSERT_NE(response->GetHeader(u"content-type"), nullptr);
  EXPECT_EQ(*response->GetHeader(u"content-type"), u"text/plain");
  EXPECT_EQ(response->GetHeader(u"Content-Type", 1), nullptr);
  EXPECT_EQ(response->GetHeader(u"X-Missing"), nullptr);
  EXPECT_EQ(response->GetContentLength(), 12u);
  EXPECT_EQ(ReadAll(*response), "no such page");
  char byte = 0;
  EXPECT_EQ(response->ReadContent(&byte, 1), 0u);
}

TEST(HttpClient, ContentLengthMatchesTheBodyForAnyParameters) {
  WebStandIn server;
  ASSERT_TRUE(server.started());
  TempDir files;
  WriteFileBytes(files.File("report.zip"), std::string("PK\x03\x04", 4) + std::string(70000, 'z'));
  using Params = std::vector<std::tuple<std::u16string, std::optional<std::u16string>, uint32_t>>;
  const Params cases[] = {
      {},
      {{u"one", u"1", 0}},
      {{u"empty", u"", 0}, {u"null", std::nullopt, 0}, {u"text", u"\u00E9t\u00E9 & more", 0}},
      {{u"file", qav::Utf8ToUtf16(files.File("report.zip")), kParamFile}, {u"subject", u"Hi", 0}},
      {{u"gone", qav::Utf8ToUtf16(files.File("missing.bin")), kParamFile}},
  };
  int number = 0;
  for (const bool upload : {false, true}) {
    for (const Params& params : cases) {
      CHttpClientT client;
      client.SetUseUtf8(true);
      for (const auto& [name, value, attributes] : params) {
        if (!upload && (attributes & kParamFile)) continue;
        client.AddParam(name, value, attributes);
      }
      if (upload) {
        client.BeginUpload(server.BaseUrl16() + u"qav/applinks/report/index.php");
      } else {
        client.BeginPost(server.BaseUrl16() + u"qav/x/");
      }
      const uint32_t total = client.GetPostStat().ActualTotalByte();
      auto response = RunToResponse(client, 1000);
      ASSERT_TRUE(response);
      const RawRequest request = Saved(server, ++number);
      EXPECT_EQ(request.Header("Content-Length"), std::to_string(request.body.size())) << number;
      EXPECT_EQ(total, request.body.size()) << number;
      if (upload) {
        EXPECT_EQ(response->GetStatus(), 200u) << number;
      }
    }
  }
}

TEST(HttpClient, UploadSendsPartsWithSafeHeadersAndTheFileAsItWas) {
  WebStandIn server;
  ASSERT_TRUE(server.started());
  TempDir files;
  std::string content(300000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  content.replace(0, 4, "PK\x03\x04", 4);
  const std::string path = files.File("crash report.zip");
  WriteFileBytes(path, content);

  CHttpClientT client;
  client.SetUseUtf8(true);
  client.AddParam(u"Subject", u"Problem");
  client.AddParam(u"Attachment", qav::Utf8ToUtf16(path), kParamFile);
  client.AddParam(u"evil\"\r\nX-Injected: 1", u"v");
  client.AddParam(u"missing", qav::Utf8ToUtf16(files.File("nothing.txt")), kParamFile);
  client.BeginUpload(server.BaseUrl16() + u"qav/applinks/report/index.php");
  EXPECT_EQ(client.GetPostStat().FileCount(), 2u);
  EXPECT_EQ(client.GetPostStat().TotalByte(), content.size() + 7 + 1);

  // The call that writes the closing boundary returns null; the next one the response.
  std::unique_ptr<CHttpResponseT> response;
  int steps = 0;
  while (!(response = client.Proceed(4096))) {
    ++steps;
    ASSERT_LT(steps, 1000);
    if (client.GetPostStat().IsComplete()) {
      response = client.Proceed(4096);
      ASSERT_TRUE(response);
      break;
    }
  }
  EXPECT_EQ(response->GetStatus(), 200u);
  EXPECT_EQ(ReadAll(*response), "OK");

  const RawRequest request = Saved(server, 1);
  const std::string boundary = qav::Utf16ToUtf8(client.GetBoundary());
  EXPECT_EQ(boundary.size(), 43u);
  EXPECT_TRUE(boundary.starts_with("----NUBAX-"));
  EXPECT_EQ(request.Header("Content-Type"), "multipart/form-data; boundary=" + boundary);
  EXPECT_TRUE(request.body.ends_with("\r\n--" + boundary + "--\r\n"));
  EXPECT_NE(request.body.find("name=\"Attachment\"; filename=\"crash report.zip\"\r\n"
                              "Content-Type: application/x-zip-compressed\r\n\r\n"),
            std::string::npos);
  EXPECT_NE(request.body.find("name=\"evil%22%0D%0AX-Injected: 1\"\r\n\r\nv\r\n"), std::string::npos);
  EXPECT_EQ(request.body.find(files.path()), std::string::npos) << "the local folder must not be sent";

  EXPECT_EQ(server.Read("upload-1/crash report.zip"), content);
  EXPECT_EQ(server.Read("upload-1/parts.tsv"),
            "Attachment\tcrash report.zip\tapplication/x-zip-compressed\t300000\n"
            "evil%22%0D%0AX-Injected: 1\t\t\t1\n"
            "missing\tnothing.txt\tapplication/octet-stream\t0\n"
            "Subject\t\t\t7\n");
}

TEST(HttpClient, EmptyUploadIsOnlyTheClosingBoundary) {
  WebStandIn server;
  ASSERT_TRUE(server.started());
  CHttpClientT client;
  client.BeginUpload(server.BaseUrl16() + u"qav/up");
  EXPECT_EQ(client.GetPostStat().ActualTotalByte(), client.GetBoundary().size() + 8);
  ASSERT_TRUE(RunToResponse(client));
  EXPECT_EQ(Saved(server, 1).body, "\r\n--" + qav::Utf16ToUtf8(client.GetBoundary()) + "--\r\n");
}

TEST(HttpClient, AFileThatGrowsDuringTheUploadIsSentAsItWasCounted) {
  WebStandIn server;
  ASSERT_TRUE(server.started());
  TempDir files;
  const std::string path = files.File("growing.log");
  WriteFileBytes(path, std::string(100000, 'a'));
  CHttpClientT client;
  client.AddParam(u"log", qav::Utf8ToUtf16(path), kParamFile);
  client.BeginUpload(server.BaseUrl16() + u"qav/up");
  {
    std::ofstream more(path, std::ios::app | std::ios::binary);
    more << std::string(50000, 'b');
  }
  auto response = RunToResponse(client, 8192);
  ASSERT_TRUE(response);
  EXPECT_EQ(response->GetStatus(), 200u);
  EXPECT_EQ(server.Read("upload-1/growing.log"), std::string(100000, 'a'));
}

TEST(HttpClient, BadUrlsFailBeforeAnythingIsSent) {
  const struct {
    std::u16string_view url;
    uint32_t code;
  } cases[] = {
      {u"http://127.0.0.1:65536/", 107}, {u"http://127.0.0.1:8a/", 107}, {u"http://127.0.0.1:123456/", 107},
      {u"http:///qav/", 103},            {u"", 103},
  };
  for (const auto& c : cases) {
    CHttpClientT client;
    EXPECT_EQ(ErrorOf([&] { client.BeginPost(c.url); }), c.code) << std::string(c.url.begin(), c.url.end());
    EXPECT_FALSE(client.GetPostStat().IsActive());
  }
}

TEST(HttpClient, LoopbackNeverGoesThroughTheEnvironmentsProxy) {
  WebStandIn server;
  WebStandIn deadProxy({"--misbehave", "refuse"});
  ASSERT_TRUE(server.started() && deadProxy.started());
  qav::test::ScopedEnv proxy{"http_proxy", deadProxy.BaseUrl()};
  qav::test::ScopedEnv noProxy{"no_proxy", "example.invalid"};
  CHttpClientT client;
  client.AddParam(u"a", u"1");
  EXPECT_EQ(client.RequestPost(server.BaseUrl16() + u"qav/x/")->GetStatus(), 404u);
}

TEST(HttpClient, ParametersCannotChangeWhileARequestRuns) {
  WebStandIn server;
  ASSERT_TRUE(server.started());
  CHttpClientT client;
  client.AddParam(u"a", u"1");
  client.BeginPost(server.BaseUrl16() + u"qav/x/");
  EXPECT_EQ(ErrorOf([&] { client.AddParam(u"b", u"2"); }), 0u);
  EXPECT_EQ(ErrorOf([&] { client.SetUseUtf8(true); }), 0u);
  EXPECT_EQ(client.Params().Count(), 1u);
  EXPECT_EQ(client.EndPostContext(), 1);
  EXPECT_EQ(client.EndPostContext(), 0);
  EXPECT_EQ(ErrorOf([&] { client.Proceed(); }), 104u);
  client.AddParam(u"b", u"2");
  client.BeginPost(server.BaseUrl16() + u"qav/x/");
  ASSERT_TRUE(RunToResponse(client));
}

// Each misbehaviour of the server lands at the code of the step it happened in, and leaves the
// client idle and usable.
TEST(HttpClient, ServerFailuresLandAtTheirStepsCode) {
  TempDir files;
  WriteFileBytes(files.File("big.bin"), std::string(64 * 1024 * 1024, 'x'));
  const struct {
    const char* misbehaviour;
    bool bigUpload;
    uint32_t code;
  } cases[] = {
      {"refuse", false, 407},
      {"stall", false, 409},
      {"garbage-status", false, 409},
      {"close-mid-body", true, 408},
      {"stall", true, 408},
  };
  for (const auto& c : cases) {
    WebStandIn server({"--misbehave", c.misbehaviour});
    ASSERT_TRUE(server.started());
    CHttpClientT client;
    client.SetTimeouts({.connectMs = 5000, .stallMs = 1000, .totalMs = 3000});
    client.AddParam(u"a", u"1");
    if (c.bigUpload) client.AddParam(u"f", qav::Utf8ToUtf16(files.File("big.bin")), kParamFile);
    const uint32_t code = ErrorOf([&] {
      client.BeginUpload(server.BaseUrl16() + u"qav/up");
      RunToResponse(client, 65536);
    });
    EXPECT_EQ(code, c.code) << c.misbehaviour;
    EXPECT_FALSE(client.GetPostStat().IsActive());
  }
}

TEST(HttpClient, FollowsASeeOtherRedirectAndFailsCleanlyOnOneThatWouldResendTheBody) {
  WebStandIn server;
  ASSERT_TRUE(server.started());
  CHttpClientT client;
  client.AddParam(u"a", u"1");
  client.BeginPost(server.BaseUrl16() + u"qav/redirect/");
  auto response = RunToResponse(client);
  ASSERT_TRUE(response);
  EXPECT_EQ(response->GetStatus(), 200u);
  EXPECT_EQ(ReadAll(*response), "landed");
  EXPECT_TRUE(Saved(server, 2).head.starts_with("GET /qav/landed/ HTTP/1.1\r\n"));

  // The body went out piece by piece and cannot be sent again.
  client.BeginPost(server.BaseUrl16() + u"qav/redirect-keep/");
  EXPECT_EQ(ErrorOf([&] { RunToResponse(client); }), 409u);
  EXPECT_FALSE(client.GetPostStat().IsActive());
}

TEST(HttpClient, MakeGetUrlPutsTheParametersIntoTheQuery) {
  CHttpClientT client;
  EXPECT_EQ(client.MakeGetUrl(u"http://h/p?x#f"), u"http://h/p?x#f");
  client.SetUseUtf8(true);
  client.AddParam(u"b", u"2 3");
  client.AddParam(u"A", u"\u00FC");
  const struct {
    std::u16string_view url;
    std::u16string_view expected;
  } cases[] = {
      {u"http://h:8080", u"http://h:8080/?A=%C3%BC&b=2+3"},
      {u"http://h/p", u"http://h/p?A=%C3%BC&b=2+3"},
      {u"http://h/p?x=1#frag", u"http://h/p?x=1&A=%C3%BC&b=2+3#frag"},
      {u"http://h#frag", u"http://h/?A=%C3%BC&b=2+3#frag"},
  };
  for (const auto& c : cases) EXPECT_EQ(client.MakeGetUrl(c.url), c.expected);
}

TEST(HttpClient, GetsAPageAndSavesItsBody) {
  WebStandIn server;
  ASSERT_TRUE(server.started());
  TempDir folder;
  CHttpClientT client;
  client.AddParam(u"lang", u"en");
  auto response = client.RequestGet(server.BaseUrl16() + u"qav/landed/");
  ASSERT_TRUE(response);
  EXPECT_TRUE(Saved(server, 1).head.starts_with("GET /qav/landed/?lang=en HTTP/1.1\r\n"));
  EXPECT_EQ(Saved(server, 1).Header("Content-Length"), "<none>");
  const std::u16string path = qav::Utf8ToUtf16(folder.File("page.txt"));
  response->SaveContent(path, false);
  EXPECT_EQ(ReadFileBytes(folder.File("page.txt")), "landed");

  response = client.RequestGet(server.BaseUrl16() + u"qav/landed/");
  EXPECT_EQ(ErrorOf([&] { response->SaveContent(path, false); }), 114u);
  response->SaveContent(path, true);
  EXPECT_EQ(ReadFileBytes(folder.File("page.txt")), "landed");

  WebStandIn refusing({"--misbehave", "refuse"});
  EXPECT_EQ(ErrorOf([&] { client.RequestGet(refusing.BaseUrl16()); }), 406u);
}

TEST(HttpClient, OneShotRequestsSendEverythingAtOnce) {
  WebStandIn server;
  ASSERT_TRUE(server.started());
  CHttpClientT client;
  client.AddParam(u"a", u"1");
  EXPECT_EQ(client.RequestPost(server.BaseUrl16() + u"qav/x/")->GetStatus(), 404u);
  EXPECT_EQ(Saved(server, 1).body, "a=1");
  EXPECT_EQ(client.RequestUpload(server.BaseUrl16() + u"qav/up")->GetStatus(), 200u);
  EXPECT_EQ(server.Read("upload-2/parts.tsv"), "a\t\t\t1\n");
}

TEST(HttpClient, AbortFlagEndsAStalledExchangePromptly) {
  WebStandIn server({"--misbehave", "stall"});
  ASSERT_TRUE(server.started());
  std::atomic<bool> abort{false};
  CHttpClientT client;
  client.SetAbortFlag(&abort);
  client.SetTimeouts({.connectMs = 60000, .stallMs = 600000, .totalMs = 0});
  client.AddParam(u"a", u"1");
  client.BeginPost(server.BaseUrl16() + u"qav/x/");
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    abort = true;
  });
  EXPECT_EQ(ErrorOf([&] { RunToResponse(client); }), 409u);
  stopper.join();
}

TEST(HttpClient, ReadsALargeReplyInPieces) {
  WebStandIn server({"--misbehave", "huge-reply"});
  ASSERT_TRUE(server.started());
  CHttpClientT client;
  client.BeginPost(server.BaseUrl16() + u"qav/x/");
  auto response = RunToResponse(client);
  ASSERT_TRUE(response);
  EXPECT_EQ(response->GetStatus(), 200u);
  const std::string body = ReadAll(*response);
  EXPECT_EQ(body.size(), 10u * 1024 * 1024);
  EXPECT_EQ(body.find_first_not_of('A'), std::string::npos);
}

TEST(HttpClient, AReplyCutShortFailsWhileItsBodyIsRead) {
  WebStandIn server({"--misbehave", "cut-reply"});
  ASSERT_TRUE(server.started());
  CHttpClientT client;
  auto response = client.RequestPost(server.BaseUrl16() + u"qav/x/");
  ASSERT_TRUE(response);
  EXPECT_EQ(response->GetStatus(), 200u);
  EXPECT_EQ(ErrorOf([&] { ReadAll(*response); }), 401u);
}

TEST(HttpClient, HttpsChecksThePeerAgainstTheGivenCertificates) {
  TempDir folder;
  const std::string cert = folder.File("cert.pem");
  const std::string key = folder.File("key.pem");
  const int made = qav::SpawnAndWait({u"openssl",
                                      {u"req", u"-x509", u"-newkey", u"rsa:2048", u"-nodes", u"-days", u"1", u"-subj",
                                       u"/CN=127.0.0.1", u"-addext", u"subjectAltName=IP:127.0.0.1", u"-keyout",
                                       qav::Utf8ToUtf16(key), u"-out", qav::Utf8ToUtf16(cert)},
                                      {}});
  ASSERT_EQ(made, 0);
  qav::test::ChildProcess server("/usr/bin/python3",
                                 {QAV_TEST_FIXTURES "/net/https_reply.py", cert, key});
  const auto line = server.WaitForLine("PORT ");
  ASSERT_TRUE(line);
  const std::u16string url = qav::Utf8ToUtf16("https://127.0.0.1:" + line->substr(5) + "/qav/");

  CHttpClientT trusting;
  trusting.SetCaFile(qav::Utf8ToUtf16(cert));
  trusting.AddParam(u"a", u"1");
  trusting.BeginPost(url);
  auto response = RunToResponse(trusting);
  ASSERT_TRUE(response);
  EXPECT_EQ(response->GetStatus(), 200u);
  EXPECT_EQ(ReadAll(*response), "secure");

  CHttpClientT strict;
  strict.SetCaFile(qav::Utf8ToUtf16(folder.File("no-such-ca.pem")));
  EXPECT_EQ(ErrorOf([&] { strict.BeginPost(url); }), 407u);
}

}  // namespace
}  // namespace Vemra
