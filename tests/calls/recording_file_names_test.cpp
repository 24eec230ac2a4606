#include "calls/recording_file_names.h"

#include <gtest/gtest.h>

#include <time.h>

#include <optional>
#include <string>

#include "calls/conversation_data_file.h"
#include "platform/text.h"
#include "tests/support/hex.h"
#include "tests/support/scoped_env.h"

namespace {

using qav::test::ScopedEnv;

// Central European time with its daylight saving rules, written out so that no zone database is
// needed: CET (UTC+1), CEST (UTC+2) from the last Sunday of March 02:00 to the last Sunday of
// October 03:00.
class CentralEuropeanTime : public ::testing::Test {
 protected:
  CentralEuropeanTime() : tz_("TZ", "CET-1CEST,M3.5.0,M10.5.0/3") { tzset(); }
  ~CentralEuropeanTime() override { tzset(); }

 private:
  ScopedEnv tz_;
};

constexpr int64_t kMarch5th2024 = 1709644029;   // 2024-03-05 14:07:09 CET
constexpr int64_t kJuly1st2024 = 1719828000;    // 2024-07-01 12:00:00 CEST
constexpr int64_t kFallBackFirst = 1729989000;  // 2024-10-27 02:30:00 CEST
constexpr int64_t kFallBackSecond = 1729992600; // 2024-10-27 02:30:00 CET, an hour later

TEST_F(CentralEuropeanTime, VoiceMessageNamesCarryTheTenFields) {
  EXPECT_EQ(BuildVoiceMessageFileName(u"caller77", kMarch5th2024, 42, true, u"mp3"),
            u"caller77.2024.03.05.14.07.09.42.s.mp3");
  EXPECT_EQ(BuildVoiceMessageFileName(u"caller77", kJuly1st2024, 75, false, u"wav"),
            u"caller77.2024.07.01.12.00.00.75.n.wav");
  EXPECT_EQ(BuildVoiceMessageFileName(u"+4930123", kMarch5th2024, 0, false, u"wav"),
            u"+4930123.2024.03.05.14.07.09.0.n.wav");
}

TEST_F(CentralEuropeanTime, VoiceMessageNamesAreReadFromTheRight) {
  struct Case {
    const char16_t* name;
    const char16_t* caller;
    int64_t time;
    int32_t duration;
    bool seen;
    const char16_t* extension;
  };
  const Case cases[] = {
      {u"caller77.2024.03.05.14.07.09.42.s.mp3", u"caller77", kMarch5th2024, 42, true, u"mp3"},
      {u"caller77.2024.03.05.14.07.09.42.n.mp3", u"caller77", kMarch5th2024, 42, false, u"mp3"},
      {u"caller77.2024.03.05.14.07.09.42.x.mp3", u"caller77", kMarch5th2024, 42, true, u"mp3"},
      {u"caller77.2024.07.01.12.00.00.7.n.wav", u"caller77", kJuly1st2024, 7, false, u"wav"},
      // A handle with full stops keeps them all.
      {u"john.doe.2024.03.05.14.07.09.42.n.wav", u"john.doe", kMarch5th2024, 42, false, u"wav"},
      {u"a..b..2024.03.05.14.07.09.42.n.wav", u"a..b.", kMarch5th2024, 42, false, u"wav"},
      {u"...2024.03.05.14.07.09.5.s.wav", u"..", kMarch5th2024, 5, true, u"wav"},
      {u"+4930123.2024.03.05.14.07.09.0.n.wav", u"+4930123", kMarch5th2024, 0, false, u"wav"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(qav::U8(c.name));
    const std::optional<VoiceMessageFileName> parsed = ParseVoiceMessageFileName(c.name);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->caller, c.caller);
    EXPECT_EQ(parsed->startTime, c.time);
    EXPECT_EQ(parsed->duration, c.duration);
    EXPECT_EQ(parsed->seen, c.seen);
    EXPECT_EQ(parsed->extension, c.extension);
  }
}

TEST_F(CentralEuropeanTime, NamesThatAreNoVoiceMessageAreRefused) {
  for (const char16_t* name : {
           u"song.mp3",                                  // too few fields
           u"lastvoicemsg.mp3",                          // the recording in progress
           u"2024.03.05.14.07.09.42.s.mp3",              // no caller before the nine fields
           u".2024.03.05.14.07.09.42.s.mp3",             // an empty caller
           u"caller.2024.03.05.14.07.09.42.s.ogg",       // another extension
           u"caller.2024.03.05.14.07.09.42.s.MP3",       // extensions compare exactly
           u"caller.2024.03.05.14.07.09.42..mp3",        // an empty marker
           u"caller.2024.03.05.14.07.09.-1.s.mp3",       // a duration no file has
           u"caller.2024.03.05.14.07.09. 4.s.mp3",       // a number with a blank
           u"caller.2024.13.05.14.07.09.42.s.mp3",       // month 13
           u"caller.2024.02.30.14.07.09.42.s.mp3",       // 30 February
           u"caller.2024.03.05.24.07.09.42.s.mp3",       // hour 24
           u"caller.2024.03.05.14.07.09.99999999999.s.mp3",  // a duration beyond 32 bits
           u"caller.2024.03.05.14.07.09.42.s.mp3.bak",
       }) {
    EXPECT_FALSE(ParseVoiceMessageFileName(name).has_value()) << qav::U8(name);
  }
}

// The names a voice message records under: the plain one, then numbered ones while earlier files
// are kept under theirs. Each reads back; no other file of the folder is taken for one.
TEST(VoiceMessageTemporaryName, NamesReadBackAndNoOtherFileIsTakenForOne) {
  EXPECT_EQ(VoiceMessageTemporaryName(0, u"wav"), u"lastvoicemsg.wav");
  EXPECT_EQ(VoiceMessageTemporaryName(12, u"mp3"), u"lastvoicemsg.12.mp3");
  for (const int32_t n : {0, 1, 999}) {
    for (const std::u16string_view extension : {u"wav", u"mp3"}) {
      EXPECT_EQ(ParseVoiceMessageTemporaryName(VoiceMessageTemporaryName(n, extension)), std::u16string(extension));
    }
  }
  for (const std::u16string_view other :
       {u"lastvoicemsg.caller", u"lastvoicemsg.ogg", u"lastvoicemsg.1.ogg", u"lastvoicemsg..wav", u"lastvoicemsg.x.wav",
        u"lastvoicemsg.1x.wav", u"lastvoicemsg.1wav", u"lastvoicemsgwav", u"lastvoicemsg.", u"xlastvoicemsg.wav",
        u"caller1.2024.03.05.14.07.09.5.s.wav"}) {
    EXPECT_EQ(ParseVoiceMessageTemporaryName(other), std::nullopt) << qav::U8(other);
  }
}

TEST_F(CentralEuropeanTime, EveryHandleMakesOnePlainFileNameThatReadsBack) {
  struct Case {
    std::u16string handle;
    std::u16string field;  // what the name carries for it
  };
  const std::u16string tooLong(100, u'a');
  std::u16string pairAtTheCut(63, u'b');
  pairAtTheCut += u"\U0001F600";  // a surrogate pair over the cap is left out whole
  const Case cases[] = {
      {u"caller77", u"caller77"},
      {u"john.doe", u"john.doe"},
      {u"Zo\u00eb", u"Zo\u00eb"},
      {u"../../etc/passwd", u".._.._etc_passwd"},
      {u"..\\..\\boot.ini", u".._.._boot.ini"},
      {std::u16string(u"a\0b", 3), u"a_b"},
      {u"line\nbreak\x7f", u"line_break_"},
      {tooLong, std::u16string(kMaxFileNameHandleUnits, u'a')},
      {pairAtTheCut, std::u16string(63, u'b')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(qav::U8(c.handle));
    EXPECT_EQ(VoiceMessageFileNameHandle(c.handle), c.field);
    const std::u16string name = BuildVoiceMessageFileName(c.handle, kJuly1st2024, 12, false, u"mp3");
    EXPECT_EQ(name.find(u'/'), std::u16string::npos);
    EXPECT_EQ(name.find(u'\\'), std::u16string::npos);
    EXPECT_EQ(name.find(u'\0'), std::u16string::npos);
    EXPECT_LE(qav::U8(name).size(), 255u);
    const std::optional<VoiceMessageFileName> parsed = ParseVoiceMessageFileName(name);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->caller, c.field);
    EXPECT_EQ(parsed->startTime, kJuly1st2024);
    EXPECT_EQ(parsed->duration, 12);
    EXPECT_FALSE(parsed->seen);
  }
}

TEST_F(CentralEuropeanTime, LocalTimeFollowsDaylightSaving) {
  // Winter and summer time round-trip to the second.
  for (int64_t time : {kMarch5th2024, kJuly1st2024, kMarch5th2024 + 86400 * 200}) {
    const std::u16string name = BuildVoiceMessageFileName(u"c", time, 1, true, u"wav");
    ASSERT_TRUE(ParseVoiceMessageFileName(name).has_value()) << qav::U8(name);
    EXPECT_EQ(ParseVoiceMessageFileName(name)->startTime, time) << qav::U8(name);
    EXPECT_EQ(ParseConversationFileName(BuildConversationBaseName(time, 1) + u".wav")->startTime, time);
  }
  // The repeated hour of October writes both half past two alike, and reads back as one of them.
  EXPECT_EQ(FormatRecordingTime(kFallBackFirst), u"2024.10.27.02.30.00");
  EXPECT_EQ(FormatRecordingTime(kFallBackSecond), u"2024.10.27.02.30.00");
  const int64_t read = ParseConversationFileName(u"2024.10.27.02.30.00.1.mp3")->startTime;
  EXPECT_TRUE(read == kFallBackFirst || read == kFallBackSecond) << read;
  // Half past two of the night in March does not exist; the name still loads, an hour on.
  const std::optional<ConversationFileName> skipped = ParseConversationFileName(u"2024.03.31.02.30.00.1.mp3");
  ASSERT_TRUE(skipped.has_value());
  EXPECT_EQ(FormatRecordingTime(skipped->startTime), u"2024.03.31.03.30.00");
}

// Names are read by arithmetic on a kept offset for each day without a change of offset (mktime is
// slow); every second of the year must still read as the system's local time, and a change of TZ
// must not keep the offsets of the zone before.
TEST_F(CentralEuropeanTime, EveryTimeOfTheYearReadsBackAndAChangeOfZoneIsSeen) {
  constexpr int64_t kNewYear2024 = 1704063600;  // 2024-01-01 00:00:00 CET
  for (int64_t time = kNewYear2024; time < kNewYear2024 + 366 * 86400; time += 37 * 60 + 13) {
    const std::u16string fields = FormatRecordingTime(time);
    // The repeated hour of October names two times alike: either may come back.
    const bool repeated = FormatRecordingTime(time - 3600) == fields || FormatRecordingTime(time + 3600) == fields;
    const std::optional<VoiceMessageFileName> read =
        ParseVoiceMessageFileName(BuildVoiceMessageFileName(u"c", time, 1, true, u"wav"));
    ASSERT_TRUE(read.has_value()) << qav::U8(fields);
    if (!repeated) {
      ASSERT_EQ(read->startTime, time) << qav::U8(fields);
    }
  }
  EXPECT_EQ(ParseVoiceMessageFileName(u"c.2024.07.01.12.00.00.1.s.wav")->startTime, kJuly1st2024);
  ScopedEnv utc("TZ", "UTC0");
  tzset();
  EXPECT_EQ(ParseVoiceMessageFileName(u"c.2024.07.01.12.00.00.1.s.wav")->startTime, kJuly1st2024 + 7200);
  EXPECT_FALSE(ParseVoiceMessageFileName(u"c.2023.02.29.12.00.00.1.s.wav").has_value()) << "no 29 February in 2023";
  EXPECT_TRUE(ParseVoiceMessageFileName(u"c.2024.02.29.12.00.00.1.s.wav").has_value());
}

TEST_F(CentralEuropeanTime, ConversationNamesCarryTimeAndConferenceId) {
  EXPECT_EQ(BuildConversationBaseName(kMarch5th2024, 3), u"2024.03.05.14.07.09.3");
  struct Case {
    const char16_t* name;
    bool taken;
    int32_t conferenceId;
    const char16_t* extension;
  };
  const Case cases[] = {
      {u"2024.03.05.14.07.09.3.mp3", true, 3, u"mp3"},
      {u"2024.03.05.14.07.09.12.wav", true, 12, u"wav"},
      {u"2024..03.05.14.07.09.3..mp3", true, 3, u"mp3"},  // empty fields are skipped
      {u"notes.mp3", false, 0, u""},
      {u"2024.03.05.14.07.09.mp3", false, 0, u""},
      {u"2024.03.05.14.07.09.3.mp3.bak", false, 0, u""},
      {u"2024.03.05.14.07.09.3.4.mp3", false, 0, u""},
      {u"2024.03.05.14.07.09.3.dat", false, 0, u""},
      {u"2024.03.05.14.07.x.3.mp3", false, 0, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(qav::U8(c.name));
    const std::optional<ConversationFileName> parsed = ParseConversationFileName(c.name);
    ASSERT_EQ(parsed.has_value(), c.taken);
    if (!c.taken) continue;
    EXPECT_EQ(parsed->startTime, kMarch5th2024);
    EXPECT_EQ(parsed->conferenceId, c.conferenceId);
    EXPECT_EQ(parsed->extension, c.extension);
  }
}

TEST(ConversationDataFile, IsUtf16WithItsMarkAndOneRecordEachForDurationAndPartners) {
  const std::string bytes = BuildConversationData(95, {u"caller77", u"caller2"});
  EXPECT_EQ(qav::test::HexBytes(bytes.substr(0, 12)), "fffe44007500720061007400");  // mark, "Dura"
  EXPECT_EQ(bytes, std::string("\xFF\xFE", 2) + qav::TextToUtf16LeBytes(u"Duration:95;Partner:caller77;Partner:caller2;"));
  EXPECT_EQ(BuildConversationData(0, {}), std::string("\xFF\xFE", 2) + qav::TextToUtf16LeBytes(u"Duration:0;"));
  // Round trip, with a colon and letters beyond ASCII in the handles.
  const std::vector<std::u16string> partners = {u"anna:work", u"Zo\u00eb", u"+4930123", u"john.doe"};
  const ConversationData back = ParseConversationData(BuildConversationData(3600, partners));
  EXPECT_EQ(back.duration, 3600);
  EXPECT_EQ(back.partners, partners);
}

TEST(ConversationDataFile, ReaderTakesOnlyWhatTheWriterWrites) {
  const std::string mark("\xFF\xFE", 2);
  auto text = [&](std::u16string_view t) { return mark + qav::TextToUtf16LeBytes(t); };
  struct Case {
    const char* what;
    std::string bytes;
    int32_t duration;
    std::vector<std::u16string> partners;
  };
  const Case cases[] = {
      {"one partner", text(u"Duration:12;Partner:caller2;"), 12, {u"caller2"}},
      {"partners before the duration", text(u"Partner:a;Duration:5;Partner:b;"), 5, {u"a", u"b"}},
      {"no mark", qav::TextToUtf16LeBytes(u"Duration:12;Partner:caller2;"), 0, {}},
      {"the big-endian mark", std::string("\xFE\xFF", 2) + qav::TextToUtf16LeBytes(u"Duration:12;"), 0, {}},
      {"the mark alone", mark, 0, {}},
      {"nothing", "", 0, {}},
      {"one byte", "\xFF", 0, {}},
      {"cut in a record", text(u"Duration:12;Partner:cal"), 12, {}},
      {"cut in a character", text(u"Duration:12;Partner:b;").substr(0, 2 + 2 * 22 - 1), 12, {}},
      {"an empty partner", text(u"Duration:12;Partner:;Partner:x;"), 12, {u"x"}},
      {"a duration that is no number", text(u"Duration:abc;Partner:x;"), 0, {u"x"}},
      {"a negative duration", text(u"Duration:-5;"), 0, {}},
      {"a duration beyond 32 bits", text(u"Duration:99999999999;"), 0, {}},
      {"unknown keys and records without a colon", text(u"Foo:bar;junk;duration:7;Partner:y;"), 0, {u"y"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ConversationData data = ParseConversationData(c.bytes);
    EXPECT_EQ(data.duration, c.duration);
    EXPECT_EQ(data.partners, c.partners);
  }
}

}  // namespace
