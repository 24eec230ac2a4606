#include <gtest/gtest.h>

#include <functional>

#include "net/http_client_exception.h"
#include "net/http_post_stat.h"

namespace Vemra {
namespace {

std::u16string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const httpclientexceptionW& e) {
    return e.errmsg();
  }
  return u"<nothing thrown>";
}

TEST(HttpPostStat, RefusesToAnswerWhileNoRequestRuns) {
  CHttpPostStatT stat;
  EXPECT_EQ(MessageOf([&] { stat.TotalCount(); }), u"CHttpPostStatT::TotalCount: The post context is not active.");
  EXPECT_EQ(MessageOf([&] { stat.IsComplete(); }), u"CHttpPostStatT::ActualTotalByte: The post context is not active.");
  EXPECT_EQ(MessageOf([&] { stat.CurrFile(); }), u"CHttpPostStatT::CurrFile: The post context is not active.");
}

TEST(HttpPostStat, CountsBodyAndPayloadBytesPerParameter) {
  CHttpPostStatT stat;
  stat.Begin(100, 60, 2, 1);
  EXPECT_EQ(stat.CurrParam(), u"NULL");
  EXPECT_EQ(stat.CurrFile(), u"NULL");
  EXPECT_TRUE(stat.CurrParamIsComplete());
  stat.AddActualPosted(10);
  stat.StartParam(u"file", 50, u"/tmp/a.zip");
  EXPECT_TRUE(stat.CurrParamIsFile());
  EXPECT_EQ(stat.PostedFileCount(), 1u);
  stat.AddPayloadPosted(20);
  EXPECT_EQ(stat.CurrParamRemainByte(), 30u);
  EXPECT_EQ(stat.ActualPostedByte(), 30u);
  EXPECT_EQ(stat.PostedByte(), 20u);
  stat.AddPayloadPosted(30);
  EXPECT_TRUE(stat.CurrParamIsComplete());
  stat.StartParam(u"text", 10, std::nullopt);
  EXPECT_FALSE(stat.CurrParamIsFile());
  EXPECT_EQ(stat.PostedCount(), 2u);
  EXPECT_FALSE(stat.IsComplete());
  stat.AddPayloadPosted(10);
  stat.AddActualPosted(30);
  EXPECT_TRUE(stat.IsComplete());
  try {
    stat.AddActualPosted(UINT32_MAX);
    FAIL();
  } catch (const httpclientexceptionW& e) {
    EXPECT_EQ(e.GetErrorCode(), 112u);
  }
  EXPECT_EQ(stat.ActualPostedByte(), 100u);  // unchanged by the refused addition
}

}  // namespace
}  // namespace Vemra
