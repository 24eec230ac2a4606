#include "foundation/server_string.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "foundation/crc32.h"
#include "foundation/logger.h"
#include "platform/clock.h"

namespace {

// Collects the messages logged while it is installed.
class CapturedLog : public CLogHandler {
 public:
  CapturedLog() : CLogHandler(LOG_ALL) { g_Logger.AddHandler(this); }
  ~CapturedLog() override { g_Logger.RemoveHandler(this); }
  int Log(CLogRecord& record) override {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.emplace_back(record.message);
    return 1;
  }
  bool Contains(std::u16string_view text) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& m : messages_) {
      if (m == text) return true;
    }
    return false;
  }

 private:
  std::mutex mutex_;
  std::vector<std::u16string> messages_;
};

}  // namespace

TEST(Crc32, StandardCheckValues) {
  uint32_t crc = 0;
  EXPECT_EQ(CCrc32::ComputeBufferCrc("123456789", 9, crc), 0);
  EXPECT_EQ(crc, 0xCBF43926u);
  CCrc32::ComputeBufferCrc("", 0, crc);
  EXPECT_EQ(crc, 0u);
  CCrc32::ComputeStringCrc(u"123456789", crc);
  EXPECT_EQ(crc, 0xCBF43926u);
  // Only the low byte of each character counts, and the text ends at a NUL.
  CCrc32::ComputeStringCrc(std::u16string(u"\u0131\u0132\u0133") + u'\0' + u"x", crc);
  uint32_t expected = 0;
  CCrc32::ComputeBufferCrc("123", 3, expected);
  EXPECT_EQ(crc, expected);
  EXPECT_EQ(CCrc32::Update(CCrc32::Update(0, "1234", 4), "56789", 5), 0xCBF43926u);
}

TEST(ServerString, KnownAnswersWithAGivenKey) {
  // Worked out independently: UTF-8, XOR with the key, Base64, CRC-32 of key and body; lower-case
  // digits when bit 1 of the CRC is set.
  const struct {
    std::u16string text;
    uint8_t key;
    std::u16string envelope;
  } cases[] = {
      {u"Hello, QAV", 0x0a, u"b3ce5ceb0aQm9mZmUmKltLXA=="},  // key below 0x10 keeps two digits
      {u"<r>1</r>", 0x00, u"C5C9D99D00PHI+MTwvcj4="},       // bit 1 clear: upper case
      {u"Gr\u00fc\u00dfe \u20ac", 0xa7, u"0956e75aa74NVkG2Q4wodFJQs="},
      {u"", 0x5c, u"3753e0ab5c"},  // empty text: checksum and key only
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeServerString(c.text, c.key), c.envelope);
    EXPECT_EQ(DecodeServerString(c.envelope), c.text);
  }
}

TEST(ServerString, RoundTripsAndTimeSeededKey) {
  qav::VirtualClock clock;
  qav::SetCurrentClock(&clock);
  const std::u16string text = u"<QAVInformation id=\"1\">\u00e9\u4e2d\U0001F600</QAVInformation>";
  const std::u16string first = EncodeServerString(text);
  EXPECT_EQ(EncodeServerString(text), first);  // the same second gives the same key
  EXPECT_EQ(DecodeServerString(first), text);
  qav::SetCurrentClock(nullptr);
  for (int key = 0; key < 256; key += 15) {
    EXPECT_EQ(DecodeServerString(EncodeServerString(text, static_cast<uint8_t>(key))), text);
  }
}

TEST(ServerString, CheckSumDigitsOfEitherCaseAreAccepted) {
  std::u16string envelope = u"b3ce5ceb0aQm9mZmUmKltLXA==";
  for (int i = 0; i < 8; ++i) envelope[i] = static_cast<char16_t>(toupper(envelope[i]));
  EXPECT_EQ(DecodeServerString(envelope), u"Hello, QAV");
}

TEST(ServerString, DamagedEnvelopesFailCleanly) {
  CapturedLog log;
  const std::u16string good = u"b3ce5ceb0aQm9mZmUmKltLXA==";
  const std::u16string cases[] = {
      u"",
      u"b3ce5ceb",                    // no key
      u"b3ce5ceb0",                   // 9 characters
      u"b3ce5ce",                     // short checksum
      u"b3ce5cexb0aQm9mZmUmKltLXA==",  // a ninth "digit" would have hidden a wrong CRC
      u"+3ce5ceb0aQm9mZmUmKltLXA==",  // checksum not hexadecimal
      u"b3ce5ceb0bQm9mZmUmKltLXA==",  // key changed
      u"b3ce5ceb0aQm9mZmUmKltLXA=",   // body changed
      u"00000000",
  };
  for (const auto& envelope : cases) EXPECT_EQ(DecodeServerString(envelope), u"") << qav::U8(envelope);
  EXPECT_TRUE(log.Contains(u"CServerAccess: Failed CRC"));
  // A NUL would end the CRC early and leave what follows it unchecked.
  EXPECT_EQ(DecodeServerString(good + std::u16string(1, u'\0') + u"QUFB"), u"");

  // Every single character changed after the checksum is caught.
  for (size_t i = 8; i < good.size(); ++i) {
    std::u16string damaged = good;
    damaged[i] = damaged[i] == u'A' ? u'B' : u'A';
    EXPECT_EQ(DecodeServerString(damaged), u"") << i;
  }
}

TEST(ServerString, BadBodyBehindAGoodChecksumFailsCleanly) {
  // A correct CRC over a body that is not Base64 (or not ASCII) must not decode to stray bytes.
  const std::u16string bodies[] = {u"0aQm9", u"0a!!!!", u"0aQm9m\u0151", u"0aQ===", u"0aQR==", u"zzQm9m"};
  for (const auto& rest : bodies) {
    uint32_t crc = 0;
    CCrc32::ComputeStringCrc(rest, crc);
    const std::u16string envelope = qav::Format(u"%8.8x", crc) + rest;
    EXPECT_EQ(DecodeServerString(envelope), u"") << qav::U8(rest);
  }
}
