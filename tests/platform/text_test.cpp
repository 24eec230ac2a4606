#include "platform/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

using namespace qav;

TEST(Utf, RoundTripsAndReplacesInvalidInput) {
  EXPECT_EQ(Utf8ToUtf16("Skype\xE2\x84\xA2"), u"Skype\u2122");
  EXPECT_EQ(Utf16ToUtf8(u"Skype\u2122"), "Skype\xE2\x84\xA2");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");  // surrogate pair
  struct Case {
    const char* in;
    const char16_t* out;
  } cases[] = {
      {"a\xFF" "b", u"a\uFFFDb"},          // invalid lead byte
      {"a\xC3", u"a\uFFFD"},               // truncated at the end
      {"\xC3(", u"\uFFFD("},               // continuation missing
      {"\xC0\xAF", u"\uFFFD\uFFFD"},       // overlong lead refused
      {"\xED\xA0\x80", u"\uFFFD"},         // encoded surrogate
      {"\xE0\x80\xAF", u"\uFFFD"},         // overlong three-byte form
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.in;
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

TEST(Format, HonoursTheFormatsTheProgramUses) {
  EXPECT_EQ(Format(u"%8.8x", 0xCBF43926u), u"cbf43926");
  EXPECT_EQ(Format(u"%8.8X", 0x1Fu), u"0000001F");
  EXPECT_EQ(Format(u"%3.3d", 7), u"007");
  EXPECT_EQ(Format(u"%02hX", 0x100FAu), u"FA");  // h keeps the low 16 bits
  EXPECT_EQ(Format(u"%02hX", 0x0Au), u"0A");
  EXPECT_EQ(Format(u"%I64d", int64_t{-9000000000}), u"-9000000000");
  EXPECT_EQ(Format(u"%I64u", uint64_t{18446744073709551615u}), u"18446744073709551615");
  EXPECT_EQ(Format(u"%d", int64_t{4294967297}), u"1");  // no modifier: 32 bits, as in C
  EXPECT_EQ(Format(u"%u", -1), u"4294967295");
  EXPECT_EQ(Format(u"%s_%d.log", std::u16string(u"base"), 1), u"base_1.log");
  EXPECT_EQ(Format(u"%s|%s", u"wide", "utf8 \xE2\x84\xA2"), u"wide|utf8 \u2122");
  EXPECT_EQ(Format(u"%-5s|%5s|%.2s", u"ab", u"cd", u"xyz"), u"ab   |   cd|xy");
  EXPECT_EQ(Format(u"%#X", 0xABu), u"0XAB");
  EXPECT_EQ(Format(u"%5.1f%%", 2.25), u"  2.2%");
  EXPECT_EQ(Format(u"%c%c", u'O', 'K'), u"OK");
  EXPECT_EQ(Format(u"100%"), u"100%");
}

TEST(Format, NeverReadsPastTheArguments) {
  EXPECT_EQ(Format(u"a%sb%dc"), u"abc");
  EXPECT_EQ(Format(u"%s", 42), u"42");  // a number for %s prints the number
  EXPECT_EQ(Format(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)");
  EXPECT_EQ(Format(u"%*d", 4, 7), u"   7");
  EXPECT_EQ(Format(u"%y", 1), u"%y");
  const void* p = reinterpret_cast<const void*>(0x1234);
  EXPECT_EQ(Format(u"%p", p).size(), sizeof(void*) * 2);
  EXPECT_EQ(FormatUtf8("#%d %s", 3, u"PING"), "#3 PING");
}

// A language file supplies the format and program code the arguments, so any pairing of the two
// has one defined result: a star width of any size is capped, a double given to an integer
// conversion is cut towards zero and held to the conversion's range, and NaN prints as 0.
TEST(Format, StarWidthsAndDoublesForIntegersAreDefinedAtTheirLimits) {
  // The most negative width is the widest left-justified one, as the largest is the widest.
  EXPECT_EQ(Format(u"%*d|", std::numeric_limits<int64_t>::min(), 7), Format(u"%-4096d|", 7));
  EXPECT_EQ(Format(u"%*s|", std::numeric_limits<int64_t>::min(), u"ab"), Format(u"%-4096s|", u"ab"));
  EXPECT_EQ(Format(u"%*d", std::numeric_limits<int64_t>::max(), 7), Format(u"%4096d", 7));
  EXPECT_EQ(Format(u"%*s|", std::numeric_limits<int64_t>::min(), u"ab").substr(0, 3), u"ab ");
  EXPECT_EQ(Format(u"%.*d", std::numeric_limits<int64_t>::min(), 7), u"7");  // a negative precision is none
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char16_t* format;
    double value;
    const char16_t* expected;
  } cases[] = {
      {u"%I64d", 1e300, u"9223372036854775807"},  {u"%I64d", -1e300, u"-9223372036854775808"},
      {u"%I64d", inf, u"9223372036854775807"},    {u"%I64d", -inf, u"-9223372036854775808"},
      {u"%I64d", nan, u"0"},                      {u"%d", nan, u"0"},
      {u"%I64u", 1e19, u"10000000000000000000"},  {u"%I64u", 1e300, u"18446744073709551615"},
      {u"%I64u", -1.0, u"18446744073709551615"},  {u"%I64d", -2.9, u"-2"},
      {u"%I64d", 9.2233720368547748e18, u"9223372036854774784"},
      {u"%s", nan, u"nan"},
  };
  for (const auto& c : cases) EXPECT_EQ(Format(c.format, c.value), c.expected) << U8(c.format) << " " << c.value;
}

TEST(Text, CaseTrimAndSplit) {
  EXPECT_TRUE(EqualsNoCase(u"IDS_Button_OK", u"ids_button_ok"));
  EXPECT_FALSE(EqualsNoCase(u"abc", u"abcd"));
  EXPECT_FALSE(EqualsNoCase(u"\u00C4", u"\u00E4"));  // ASCII folding only
  EXPECT_LT(CompareNoCase(u"abc", u"ABD"), 0);
  EXPECT_EQ(Trim(u" \t x y \r\n"), u"x y");
  EXPECT_EQ(TrimLeft(u"  x "), u"x ");
  EXPECT_EQ(TrimRight(u"  x "), u"  x");
  EXPECT_EQ(ReplaceAll(u"a/nb/n", u"/n", u"\r\n"), u"a\r\nb\r\n");
  EXPECT_EQ(Split(u"a.b..c", u'.'), (std::vector<std::u16string>{u"a", u"b", u"", u"c"}));
}

TEST(Numbers, StrictParsesRefuseOverflowAndJunk) {
  EXPECT_EQ(ParseInt32(u" -2147483648 "), INT32_MIN);
  EXPECT_EQ(ParseInt32(u"2147483647"), INT32_MAX);
  EXPECT_FALSE(ParseInt32(u"2147483648"));
  EXPECT_FALSE(ParseInt32(u"12x"));
  EXPECT_FALSE(ParseInt32(u""));
  EXPECT_FALSE(ParseInt32(u"-"));
  EXPECT_EQ(ParseUInt32(u"4294967295"), 4294967295u);
  EXPECT_FALSE(ParseUInt32(u"4294967296"));
  EXPECT_FALSE(ParseUInt32(u"-1"));
  EXPECT_FALSE(ParseInt64(u"99999999999999999999999"));
  EXPECT_EQ(ParseHex(u"cbF43926"), 0xCBF43926u);
  EXPECT_EQ(ParseInt32(std::string_view("15")), 15);
}

TEST(Numbers, LenientReadsSaturate) {
  EXPECT_EQ(AtoI(u"  42abc"), 42);
  EXPECT_EQ(AtoI(u"abc"), 0);
  EXPECT_EQ(AtoI(u"-17"), -17);
  EXPECT_EQ(AtoI(u"99999999999"), INT32_MAX);
  EXPECT_EQ(AtoI(u"-99999999999999999999999"), INT32_MIN);
  EXPECT_EQ(AtoI64(u"9223372036854775808"), INT64_MAX);
}
