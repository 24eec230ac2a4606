#include "foundation/conversions.h"

#include <gtest/gtest.h>

#include "platform/text.h"

TEST(Conversions, HexToIntReadsUpToFourDigits) {
  const struct {
    std::u16string text;
    int value;
  } cases[] = {
      {u"1F", 31}, {u"1f", 31}, {u"12345", 0x1234}, {u"", 0}, {u"G1", 0}, {u"7:", 7}, {u"ffff", 0xFFFF}, {u"0a", 10},
  };
  for (const auto& c : cases) EXPECT_EQ(HexToInt(c.text), c.value) << qav::U8(c.text);
}

TEST(Conversions, HexBytesBothWays) {
  const uint8_t bytes[] = {0x0A, 0xFF};
  EXPECT_EQ(BytesToHex(bytes, 2), u"0AFF");
  EXPECT_EQ(BytesToHex(bytes, 0), u"");

  uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(HexToBytes(u"0aff10", out, 4), 3);
  EXPECT_EQ(out[0], 0x0A);
  EXPECT_EQ(out[1], 0xFF);
  EXPECT_EQ(out[2], 0x10);
  EXPECT_EQ(out[3], 0xEE);
  EXPECT_EQ(HexToBytes(u"01020304050607", out, 2), 2);  // never past the maximum
  EXPECT_EQ(out[2], 0x10);
  EXPECT_EQ(HexToBytes(u"abc", out, 4), 1);  // an odd last digit is ignored
  EXPECT_EQ(out[0], 0xAB);

  std::u16string copy = u"old";
  EXPECT_EQ(CopyToString(u"new", copy), 1);
  EXPECT_EQ(copy, u"new");
}
