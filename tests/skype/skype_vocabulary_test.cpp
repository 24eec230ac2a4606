#include "skype/link/skype_vocabulary.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

// Each group with its size and last word: a word missing or added in a table shifts every index
// after it, which this and the round trip below catch.
const struct {
  SkypeWordGroup group;
  int32_t size;
  const char16_t* first;
  const char16_t* last;
} kGroups[] = {
    {SkypeWordGroup::kUserProperty, 24, u"HANDLE", u"IS_VIDEO_CAPABLE"},
    {SkypeWordGroup::kCallProperty, 37, u"TIMESTAMP", u"SET_OUTPUT"},
    {SkypeWordGroup::kCallStatus, 14, u"UNPLACED", u"CANCELLED"},
    {SkypeWordGroup::kCallType, 4, u"INCOMING_PSTN", u"OUTGOING_P2P"},
    {SkypeWordGroup::kVideoStatus, 4, u"VIDEO_NONE", u"VIDEO_BOTH_ENABLED"},
    {SkypeWordGroup::kChatProperty, 11, u"NAME", u"RECENTCHATMESSAGES"},
    {SkypeWordGroup::kAppProperty, 10, u"CONNECT", u"RECEIVED"},
    {SkypeWordGroup::kOnlineStatus, 10, u"UNKNOWN", u"LOGGEDOUT"},
    {SkypeWordGroup::kConnStatus, 5, u"OFFLINE", u"LOGGEDOUT"},
    {SkypeWordGroup::kAction, 10, u"STARTPLAYBACK", u"CONTACTS"},
};

TEST(SkypeVocabulary, GroupsHaveTheirSizesAndEveryWordFindsItsIndex) {
  for (const auto& g : kGroups) {
    SCOPED_TRACE(qav::U8(g.first));
    ASSERT_EQ(SkypeGroupSize(g.group), g.size);
    EXPECT_EQ(SkypeGroupWord(g.group, 0), g.first);
    EXPECT_EQ(SkypeGroupWord(g.group, g.size - 1), g.last);
    EXPECT_EQ(SkypeGroupWord(g.group, g.size), u"");
    EXPECT_EQ(SkypeGroupWord(g.group, -1), u"");
    for (int32_t i = 0; i < g.size; ++i) {
      const std::u16string_view word = SkypeGroupWord(g.group, i);
      EXPECT_EQ(FindSkypeGroupWord(g.group, word), i) << qav::U8(word);
      EXPECT_EQ(FindSkypeGroupWord(g.group, qav::ToLowerAscii(word)), i) << qav::U8(word);
    }
    EXPECT_EQ(FindSkypeGroupWord(g.group, u"NO_SUCH_WORD"), g.size);
    EXPECT_EQ(FindSkypeGroupWord(g.group, u""), g.size);
  }
  // The enumerations name the same positions.
  EXPECT_EQ(SkypeGroupWord(SkypeWordGroup::kCallStatus, SkypeCallStatus::INPROGRESS), u"INPROGRESS");
  EXPECT_EQ(SkypeGroupWord(SkypeWordGroup::kCallProperty, SkypeCallProp::END_FORWARD_CALL), u"END FORWARD_CALL");
  EXPECT_EQ(SkypeGroupWord(SkypeWordGroup::kOnlineStatus, SkypeOnlineStatus::SKYPEOUT), u"SKYPEOUT");
}

TEST(SkypeVocabulary, NotificationWordsMatchWholeWordsFirstMatchWinning) {
  for (int32_t i = 0; i < SkypeNotify::NONE; ++i) {
    const std::u16string_view word = SkypeNotifyWord(i);
    ASSERT_FALSE(word.empty()) << i;
    int32_t expected = i;
    if (i > SkypeNotify::OPEN && i <= SkypeNotify::OPEN_USERINFO) expected = SkypeNotify::OPEN;
    if (i == SkypeNotify::DELETE_2) expected = SkypeNotify::DELETE;
    if (i == SkypeNotify::ALTER_2) expected = SkypeNotify::ALTER;
    EXPECT_EQ(FindSkypeNotifyWord(word), expected) << qav::U8(word);
  }
  const struct {
    const char16_t* word;
    int32_t index;
  } cases[] = {
      {u"ERROR", SkypeNotify::ERROR},       {u"pong", SkypeNotify::PONG},
      {u"Call", SkypeNotify::CALL},         {u"CHATMESSAGE", SkypeNotify::CHATMESSAGE},
      {u"CHATMESSAGES", SkypeNotify::CHATMESSAGES},
      {u"CHATMEMBER", SkypeNotify::NONE},   {u"CAL", SkypeNotify::NONE},
      {u"CALLSX", SkypeNotify::NONE},       {u"", SkypeNotify::NONE},
      {u"\u0130D", SkypeNotify::NONE},  // only ASCII letters fold
  };
  for (const auto& c : cases) EXPECT_EQ(FindSkypeNotifyWord(c.word), c.index) << qav::U8(c.word);
  EXPECT_EQ(SkypeNotifyWord(SkypeNotify::NONE), u"");
}

TEST(SkypeVocabulary, CommandWordsFollowTheNotificationWords) {
  EXPECT_EQ(SkypeCmdWord(SkypeCmd::NAME), u"NAME");
  EXPECT_EQ(SkypeCmdWord(SkypeCmd::GET_CALL), u"GET CALL");
  EXPECT_EQ(SkypeCmdWord(SkypeCmd::SEARCH_USERSWAITINGMYAUTHORIZATION), u"SEARCH USERSWAITINGMYAUTHORIZATION");
  EXPECT_EQ(SkypeCmdWord(SkypeCmd::OPEN_OPTIONS_VIDEO), u"OPEN OPTIONS VIDEO");
  EXPECT_EQ(SkypeCmdWord(SkypeCmd::SET_VIDEO_IN), u"SET VIDEO_IN");
  EXPECT_EQ(SkypeCmdWord(SkypeCmd::GET_APPLICATION), u"GET APPLICATION");
  EXPECT_EQ(SkypeCmdWord(78), u"PING");
  EXPECT_EQ(SkypeCmdWord(79), u"");
  EXPECT_EQ(SkypeCmdWord(-1), u"");
}

TEST(SkypeVocabulary, OnlyTheExactWordTrueIsTrue) {
  EXPECT_TRUE(IsSkypeTrue(u"True"));
  for (const char16_t* value : {u"TRUE", u"true", u"tRUE", u"FALSE", u"False", u"", u"True ", u" True", u"1",
                                u"TrueX", u"Tru"}) {
    EXPECT_FALSE(IsSkypeTrue(value)) << qav::U8(value);
  }
}

}  // namespace
