#include <gtest/gtest.h>

#include "net/http_client_exception.h"
#include "net/http_error_table.h"
#include "net/varerrmsg_exception.h"

namespace Vemra {
namespace {

TEST(HttpErrors, TableGivesEachRangeItsMessage) {
  const struct {
    uint32_t code;
    std::u16string_view message;
  } cases[] = {
      {0, u"Not specified"},
      {5, u""},
      {100, u"Unexpected error occurred."},
      {112, u"An arithmetic overflow error has been occurred."},
      {114, u"The file (%s) aleady exists."},
      {115, u""},
      {200, u""},
      {400, u"::HttpQueryInfo failed."},
      {402, u"::InternetOpen failed."},
      {410, u"::InternetSetOption failed."},
      {411, u""},
      {605, u"::GetFileSize failed (\"%s\")."},
      {607, u""},
      {1234, u"user-defined error message"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetErrorMessage(c.code), c.message) << c.code;
}

TEST(HttpErrors, ThrownExceptionsCarryCodeLastErrorAndFormattedPath) {
  try {
    ThrowHttpError(402, 12007);
    FAIL();
  } catch (const httpclientexceptionW& e) {
    EXPECT_EQ(e.errmsg(), u"::InternetOpen failed.");
    EXPECT_EQ(e.GetErrorCode(), 402u);
    EXPECT_EQ(e.GetLastError(), 12007u);
    EXPECT_STREQ(e.what(), "httpclientexceptionW");
    const httpclientexceptionW copy = e;
    EXPECT_EQ(copy.errmsg(), e.errmsg());
    EXPECT_EQ(copy.GetLastError(), 12007u);
  }
  try {
    ThrowHttpFileError(605, u"/tmp/a b.zip", 2);
    FAIL();
  } catch (const httpclientexceptionW& e) {
    EXPECT_EQ(e.errmsg(), u"::GetFileSize failed (\"/tmp/a b.zip\").");
    EXPECT_EQ(e.GetLastError(), 2u);
  }
}

TEST(HttpErrors, FormattedMessagesAreCutAt511AndAMissingOneReadsNull) {
  const std::u16string longPath(600, u'x');
  try {
    ThrowHttpFileError(603, longPath);
    FAIL();
  } catch (const httpclientexceptionW& e) {
    EXPECT_EQ(e.errmsg().size(), 511u);
    EXPECT_TRUE(e.errmsg().starts_with(u"OpenFile (::CreateFile) failed (\"xxx"));
  }
  varerrmsg_exceptionW formatted(u"%s-%d", u"a", 7);
  EXPECT_EQ(formatted.errmsg(), u"a-7");
  EXPECT_STREQ(formatted.what(), "varerrmsg_exceptionW");
  formatted.seterrmsg(std::nullopt);
  EXPECT_EQ(formatted.errmsg(), u"NULL");
  EXPECT_EQ(httpclientexceptionW(std::nullopt, 1, 0).errmsg(), u"NULL");
}

TEST(HttpErrors, CheckedAdditionRefusesOverflow) {
  EXPECT_EQ(CheckedAdd(UINT32_MAX - 1, 1), UINT32_MAX);
  try {
    CheckedAdd(UINT32_MAX, 1);
    FAIL();
  } catch (const httpclientexceptionW& e) {
    EXPECT_EQ(e.GetErrorCode(), 112u);
  }
}

}  // namespace
}  // namespace Vemra
