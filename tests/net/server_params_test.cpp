// The version check end to end against the web server's stand-in: the request it decodes, the
// reply applied, one result per request, and failures that leave the last good reply in place.
#include <gtest/gtest.h>

#include <vector>

#include "foundation/version.h"
#include "net/http_encoder.h"
#include "net/server_params.h"
#include "platform/text.h"
#include "platform/virtual_loop.h"
#include "platform/window.h"
#include "tests/support/log_capture.h"
#include "tests/support/pump.h"
#include "tests/support/web_stand_in.h"

namespace {

using qav::test::WebStandIn;

constexpr uint32_t kDone = 0x4D0;

// A window that takes the result message and reads the reply while it is delivered, as the main
// window does.
class ResultWindow {
 public:
  struct Result {
    qav::WParam wParam;
    qav::LParam result;
    std::u16string latest;
  };

  ResultWindow(qav::VirtualLoop& loop, CServerParams& params) {
    window_ = qav::CreateWindow(loop.loop(), "TestResultWindow", u"", qav::WindowKind::kLocal, [this, &params](qav::Msg& msg) {
      if (msg.message != kDone) return qav::DefWindowProc(msg);
      Result r{msg.wParam, msg.lParam, {}};
      params.GetString(u"QAV/LatestVer", r.latest);
      results.push_back(r);
      return qav::LResult{0};
    });
  }
  ~ResultWindow() { qav::DestroyWindow(window_); }
  qav::Hwnd handle() const { return window_; }

  std::vector<Result> results;

 private:
  qav::Hwnd window_ = 0;
};

std::u16string ProductBase(const WebStandIn& server) { return server.BaseUrl16() + u"qav/"; }

TEST(ServerParams, ChecksForAVersionOnItsThreadAndAnswersByPath) {
  WebStandIn server({"--latest-ver", "5.1.0.0", "--link", "http://downloads.example/qav.exe", "--critical", "1",
                     "--period", "86400", "--show-button", "0", "--min-ver", " 42 and more"});
  ASSERT_TRUE(server.started());
  qav::VirtualLoop loop;
  CServerParams params(ProductBase(server));
  ResultWindow receiver(loop, params);
  params.SetInfo(u"username", u"echo <123>");
  params.SetInfo(u"fullname", u"\u00C9cho Test");
  params.SetInfo(u"skypever", u"8.1.0.1");
  params.SetInfo(u"lang", u"en");

  ASSERT_EQ(params.UpdateServerInformation(receiver.handle(), kDone, 1), 1);
  // A second request while the first has not been answered is refused, and sends nothing.
  EXPECT_EQ(params.UpdateServerInformation(receiver.handle(), kDone, 0), 0);
  ASSERT_TRUE(qav::test::PumpUntil(loop, [&] { return !receiver.results.empty(); }, 20000));
  loop.RunUntilIdle();
  ASSERT_EQ(receiver.results.size(), 1u);
  EXPECT_EQ(receiver.results[0].wParam, 1u);
  EXPECT_EQ(receiver.results[0].result, 1);
  EXPECT_EQ(receiver.results[0].latest, u"5.1.0.0");
  EXPECT_FALSE(params.IsBusy());

  int32_t number = -5;
  EXPECT_EQ(params.GetInt(u"QAV/UpdateCheckPeriodSec", number, 10), 1);
  EXPECT_EQ(number, 86400);
  EXPECT_EQ(params.GetInt(u"QAV\\ShowCheckForUpdateBtn", number, 10), 1);
  EXPECT_EQ(number, 0);
  EXPECT_EQ(params.GetInt(u"QAV/MinimunVersion", number, 10), 1);
  EXPECT_EQ(number, 42);
  number = -5;
  EXPECT_EQ(params.GetInt(u"QAV/IsSkypeCertified", number, 10), 0);
  EXPECT_EQ(params.GetInt(u"Other/UpdateCheckPeriodSec", number, 10), 0);
  EXPECT_EQ(number, -5);
  std::u16string text = u"untouched";
  EXPECT_EQ(params.GetAttribute(u"QAV/LatestVer", u"sLink", text), 1);
  EXPECT_EQ(text, u"http://downloads.example/qav.exe");
  EXPECT_EQ(params.GetAttribute(u"QAV/LatestVer", u"CritialUpdate", text), 1);
  EXPECT_EQ(text, u"1");
  EXPECT_EQ(params.GetAttribute(u"QAV/LatestVer", u"NoSuch", text), 1);
  EXPECT_EQ(text, u"");

  // What the server decoded: the form's fields in name order, the info document in its envelope.
  const std::string raw = server.Read("request-1.raw");
  const std::string body = raw.substr(raw.find("\r\n\r\n") + 4);
  EXPECT_TRUE(body.starts_with("app=QAV&info=")) << body;
  EXPECT_NE(body.find("&ver=" + Vemra::CHttpEncoderW::UrlEncodeA(CVersion::GetAppVersion(), true)), std::string::npos) << body;
  EXPECT_NE(raw.find("\r\nUser-Agent: Zarvelin User Agent v1.0\r\n"), std::string::npos);
  const std::string info = server.Read("request-1.info.xml");
  EXPECT_NE(info.find("<Zarvelin_XML_Info>"), std::string::npos) << info;
  EXPECT_NE(info.find("<username>echo &lt;123&gt;</username>"), std::string::npos) << info;
  EXPECT_NE(info.find("<fullname>\xC3\x89" "cho Test</fullname>"), std::string::npos) << info;
  EXPECT_NE(info.find("<lang>en</lang>"), std::string::npos) << info;
}

TEST(ServerParams, AFailedExchangeKeepsTheLastGoodReply) {
  WebStandIn good({"--latest-ver", "5.0.9.9"});
  ASSERT_TRUE(good.started());
  // Each failure's log line says what was wrong, with what was expected and what came.
  const struct {
    std::vector<std::string> arguments;
    std::u16string_view log;
    std::u16string_view area = u"qav/";
  } cases[] = {
      {{"--misbehave", "wrong-type", "--latest-ver", "9"},
       u"Web Access Failure Reason: Content-Type \"application/xml\" (expected text/...)"},
      {{"--misbehave", "bad-crc", "--latest-ver", "9"}, u"CServerAccess: Failed CRC"},
      {{"--reply-root", "Other_Root", "--latest-ver", "9"},
       u"Web Access Failure Reason: the reply's root is \"Other_Root\" (expected \"Zarvelin_XML_Info\")"},
      {{"--misbehave", "not-xml", "--latest-ver", "9"},
       u"Web Access Failure Reason: the reply is not an XML document (expected one with the root "
       u"\"Zarvelin_XML_Info\"); it begins \"Service temporarily unavailable\""},
      {{"--misbehave", "huge-reply"}, u"Web Access Failure Reason: the reply is longer than 1048576 bytes"},
      {{"--misbehave", "garbage-status"}, u""},
      {{"--misbehave", "refuse"}, u""},
      {{"--latest-ver", "9"},
       u"Web Access Failure Reason: [409.47.::HttpEndRequest failed. More than 10 redirects, the most that are "
       u"followed; the last reply was 302 Found to \"/qav/redirect-loop/\".]",
       u"qav/redirect-loop/"},
      {{"--latest-ver", "9"},
       u"Web Access Failure Reason: [409.65.::HttpEndRequest failed. The reply was 307 Temporary Redirect to "
       u"\"/qav/landed/\"; only 301, 302 and 303 are followed, since a 307 would need the body sent again.]",
       u"qav/redirect-keep/"},
  };
  for (const auto& c : cases) {
    qav::test::LogCapture log;
    CServerParams params(ProductBase(good));
    ASSERT_EQ(params.UpdateServerInformation(0, 0, 0), 1);
    WebStandIn bad(c.arguments);
    ASSERT_TRUE(bad.started());
    params.Access().SetProductBase(bad.BaseUrl16() + std::u16string(c.area));
    EXPECT_EQ(params.UpdateServerInformation(0, 0, 0), 0) << c.arguments[1];
    std::u16string latest;
    EXPECT_EQ(params.GetString(u"QAV/LatestVer", latest), 1);
    EXPECT_EQ(latest, u"5.0.9.9") << c.arguments[1];
    if (!c.log.empty()) {
      std::string lines;
      for (const auto& line : log.Lines()) lines += qav::Utf16ToUtf8(line.message) + "\n";
      EXPECT_TRUE(log.Has(LOG_WARNING, c.log)) << c.arguments[1] << " " << qav::Utf16ToUtf8(c.area) << "\n" << lines;
    }
  }
}

TEST(ServerParams, StoppingAStalledCheckEndsItsThreadPromptlyWithoutAResult) {
  WebStandIn server({"--misbehave", "stall"});
  ASSERT_TRUE(server.started());
  qav::VirtualLoop loop;
  auto params = std::make_unique<CServerParams>(ProductBase(server));
  ResultWindow receiver(loop, *params);
  ASSERT_EQ(params->UpdateServerInformation(receiver.handle(), kDone, 0), 1);
  EXPECT_TRUE(params->IsBusy());
  EXPECT_TRUE(params->Stop(3000));
  EXPECT_FALSE(params->IsBusy());
  loop.RunUntilIdle();
  EXPECT_TRUE(receiver.results.empty());
  // A stalled check does not hold up the object's end either.
  ASSERT_EQ(params->UpdateServerInformation(receiver.handle(), kDone, 0), 1);
  params.reset();
  loop.RunUntilIdle();
  EXPECT_TRUE(receiver.results.empty());
}

}  // namespace
