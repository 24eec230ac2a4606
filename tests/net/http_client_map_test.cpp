#include <gtest/gtest.h>

#include "net/http_client_map.h"

namespace Vemra {
namespace {

std::u16string Order(const CHttpClientMapT& map) {
  std::u16string names;
  for (const auto& entry : map.Entries()) names += entry.name + u",";
  return names;
}

TEST(HttpClientMap, SortsByNameIgnoringCaseAndKeepsDuplicatesInAddedOrder) {
  CHttpClientMapT map;
  map.Add(u"b", u"1");
  map.Add(u"A", u"2");
  map.Add(u"a", u"3");
  map.Add(u"Subject", u"s");
  map.Add(u"Body", u"x");
  map.Add(u"Attachment", u"f");
  map.Add(u"B", u"4");
  EXPECT_EQ(Order(map), u"A,a,Attachment,b,B,Body,Subject,");
  EXPECT_EQ(map.Count(u"a"), 2u);
  EXPECT_EQ(map.Count(), 7u);
  EXPECT_EQ(*map.Get(u"A", 1), u"3");
  EXPECT_EQ(*map.Get(u"SUBJECT"), u"s");
  EXPECT_EQ(map.Get(u"a", 2), nullptr);
  EXPECT_TRUE(map.Exists(u"b", 1));
  EXPECT_FALSE(map.Exists(u"b", 2));
}

TEST(HttpClientMap, AbsentValueReadsEmptyAndSetReplacesByIndex) {
  CHttpClientMapT map;
  map.Add(u"Name", std::nullopt, 4);
  uint32_t attributes = 0;
  ASSERT_NE(map.Get(u"name", 0, &attributes), nullptr);
  EXPECT_EQ(*map.Get(u"name"), u"");
  EXPECT_EQ(attributes, 4u);
  map.Get(u"missing", 0, &attributes);
  EXPECT_EQ(attributes, 0u);

  map.Add(u"name", u"second");
  map.Set(u"NAME", u"changed", 1, 1);
  EXPECT_EQ(*map.Get(u"name", 1, &attributes), u"changed");
  EXPECT_EQ(attributes, 1u);
  map.Set(u"other", u"new", 0);  // no such name: added
  EXPECT_EQ(*map.Get(u"other"), u"new");
}

TEST(HttpClientMap, RemovalReportsWhetherAnythingWent) {
  CHttpClientMapT map;
  map.Add(u"one", u"1");
  EXPECT_EQ(map.Remove(u"one", 1), 0);
  EXPECT_EQ(map.Count(), 1u);
  map.Add(u"ONE", u"2");
  map.Add(u"two", u"3");
  EXPECT_EQ(map.RemoveAll(u"one"), 1);
  EXPECT_EQ(map.RemoveAll(u"one"), 0);
  EXPECT_EQ(map.Remove(u"two"), 1);
  EXPECT_EQ(map.Empty(), 0);
  map.Add(u"x", u"");
  EXPECT_EQ(map.Empty(), 1);
}

}  // namespace
}  // namespace Vemra
