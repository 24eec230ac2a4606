#include <gtest/gtest.h>

#include "net/http_client_exception.h"
#include "net/http_encoder.h"
#include "net/http_url_analyzer.h"

namespace Vemra {
namespace {

using Range = CHttpUrlAnalyzerT::Range;

struct UrlCase {
  std::u16string_view url;
  Range scheme, host, port, path, query, fragment;
};

void ExpectRange(Range actual, Range expected, std::u16string_view url, const char* part) {
  EXPECT_EQ(actual.offset, expected.offset) << part << " of " << std::string(url.begin(), url.end());
  EXPECT_EQ(actual.length, expected.length) << part << " of " << std::string(url.begin(), url.end());
}

TEST(HttpUrlAnalyzer, SplitsUrlsIntoTheirSixParts) {
  const UrlCase cases[] = {
      {u"http://host:8080/a/b?x=1#f", {0, 4}, {7, 4}, {12, 4}, {16, 4}, {20, 4}, {24, 2}},
      {u"host/x", {0, 0}, {0, 4}, {4, 0}, {4, 2}, {6, 0}, {6, 0}},
      {u"http://host", {0, 4}, {7, 4}, {11, 0}, {11, 0}, {11, 0}, {11, 0}},
      {u"http://host?x", {0, 4}, {7, 4}, {11, 0}, {11, 0}, {11, 2}, {13, 0}},
      {u"http:///path", {0, 4}, {7, 0}, {7, 0}, {7, 5}, {12, 0}, {12, 0}},
      {u"https://h:/#", {0, 5}, {8, 1}, {10, 0}, {10, 1}, {11, 0}, {11, 1}},
      {u"", {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
  };
  for (const UrlCase& c : cases) {
    CHttpUrlAnalyzerT analyzer;
    analyzer.Analyze(c.url);
    ExpectRange(analyzer.Scheme(), c.scheme, c.url, "scheme");
    ExpectRange(analyzer.Host(), c.host, c.url, "host");
    ExpectRange(analyzer.Port(), c.port, c.url, "port");
    ExpectRange(analyzer.Path(), c.path, c.url, "path");
    ExpectRange(analyzer.Query(), c.query, c.url, "query");
    ExpectRange(analyzer.Fragment(), c.fragment, c.url, "fragment");
  }
}

TEST(HttpUrlAnalyzer, RefusesUtf8AndUtf7CodePages) {
  CHttpUrlAnalyzerT analyzer;
  for (const uint32_t codePage : {kCodePageUtf8, kCodePageUtf7}) {
    try {
      analyzer.Analyze(u"http://x/", codePage);
      FAIL();
    } catch (const httpclientexceptionW& e) {
      EXPECT_EQ(e.errmsg(), u"CHttpUrlAnalyzerT::Analyze: CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter.");
      EXPECT_EQ(e.GetErrorCode(), 0u);
    }
  }
}

TEST(HttpEncoder, PercentEncodesFormText) {
  const struct {
    std::u16string_view text;
    std::string_view encoded;
  } cases[] = {
      {u"a b/\u00FC", "a+b%2F%C3%BC"},
      {u"~-._", "%7E%2D%2E%5F"},
      {u"AZaz09", "AZaz09"},
      {u"", ""},
      {u"&=+%\r\n", "%26%3D%2B%25%0D%0A"},
      // A surrogate pair is one character: U+1F600.
      {u"\U0001F600", "%F0%9F%98%80"},
      // A lone surrogate cannot be sent as it is.
      {std::u16string_view(u"\xD800x", 2), "%EF%BF%BDx"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CHttpEncoderW::UrlEncodeA(c.text, true), c.encoded);
    EXPECT_EQ(CHttpEncoderW::UrlEncodeLen(c.text, true), c.encoded.size());
    EXPECT_EQ(CHttpEncoderW::UrlEncodeW(c.text, false), std::u16string(c.encoded.begin(), c.encoded.end()));
  }
  EXPECT_EQ(CHttpEncoderW::Utf8EncodeLen(u"\U0001F600"), 4u);
  EXPECT_EQ(CHttpEncoderW::AnsiEncodeLen(u""), 0u);
}

TEST(HttpEncoder, AnsiConversionRefusesUnicodeCodePagesAndUnknownOnes) {
  try {
    CHttpEncoderW::AnsiEncode(u"x", kCodePageUtf8);
    FAIL();
  } catch (const httpclientexceptionW& e) {
    EXPECT_EQ(e.errmsg(), u"CHttpEncoderW::AnsiEncode: CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter.");
  }
  try {
    CHttpEncoderW::AnsiEncode(u"x", 1252);
    FAIL();
  } catch (const httpclientexceptionW& e) {
    EXPECT_EQ(e.GetErrorCode(), 600u);
  }
}

}  // namespace
}  // namespace Vemra
