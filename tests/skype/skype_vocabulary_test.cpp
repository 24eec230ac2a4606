#include "skype/link/skype_vocabulary.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "platform/text.h"

namespace {

// The protocol's words, written out here position by position as the client's API defines them
// (not taken from the program's tables): a word changed, missing, added or moved to another place
// fails the tests below.
const std::vector<std::u16string_view> kNotifyWords = {
    u"NAME", u"PROTOCOL", u"USERSTATUS", u"CONNSTATUS", u"CURRENTUSERHANDLE", u"PRIVILEGE", u"PROFILE",
    u"AUDIO_IN", u"AUDIO_OUT", u"VIDEO_IN", u"RINGER", u"MUTE", u"AGC", u"AEC", u"AVATAR", u"RINGTONE",
    u"SKYPEVERSION", u"USERS", u"FRIENDS", u"CALLS", u"CHATS", u"CHATMESSAGES", u"VOICEMAILS", u"MISSEDCALLS",
    u"MESSAGES", u"MISSEDMESSAGES", u"GROUPS", u"USER", u"CALL", u"CHAT", u"CHATMESSAGE", u"VOICEMAIL",
    u"CALLHISTORYCHANGED", u"IMHISTORYCHANGED", u"APPLICATION", u"FOCUS", u"MINIMIZE", u"OPEN", u"OPEN",
    u"OPEN", u"OPEN", u"OPEN", u"OPEN", u"OPEN", u"CONTACTS", u"CREATE", u"DELETE", u"ALTER", u"GET", u"GROUP",
    u"DELETE", u"ALTER", u"PONG", u"ERROR",
};
const std::vector<std::u16string_view> kCmdWords = {
    u"NAME", u"PROTOCOL", u"GET USER", u"SET USER", u"CALL", u"GET CALL", u"ALTER CALL", u"VOICEMAIL",
    u"OPEN VOICEMAIL", u"ALTER VOICEMAIL", u"GET VOICEMAIL", u"SET VOICEMAIL", u"CHAT CREATE", u"CHATMESSAGE",
    u"ALTER CHAT", u"GET CHAT", u"SET CHAT", u"GET CHATMESSAGE", u"SET CHATMESSAGE", u"MESSAGE",
    u"SEARCH FRIENDS", u"SEARCH USERS", u"SEARCH CALLS", u"SEARCH ACTIVECALLS", u"SEARCH MISSEDCALLS",
    u"SEARCH VOICEMAILS", u"SEARCH CHATS", u"SEARCH ACTIVECHATS", u"SEARCH MISSEDCHATS", u"SEARCH RECENTCHATS",
    u"SEARCH BOOKMARKEDCHATS", u"SEARCH CHATMESSAGES", u"SEARCH MISSEDCHATMESSAGES",
    u"SEARCH USERSWAITINGMYAUTHORIZATION", u"CLEAR CHATHISTORY", u"CLEAR VOICEMAILHISTORY",
    u"CLEAR CALLHISTORY", u"FOCUS", u"MINIMIZE", u"OPEN ADDAFRIEND", u"OPEN IM", u"OPEN CHAT",
    u"OPEN FILETRANSFER", u"OPEN VIDEOTEST", u"OPEN OPTIONS VIDEO", u"OPEN PROFILE", u"OPEN USERINFO",
    u"GET SKYPEVERSION", u"GET CURRENTUSERHANDLE", u"GET USERSTATUS", u"SET USERSTATUS", u"GET PRIVILEGE",
    u"GET PROFILE", u"SET PROFILE", u"GET CONNSTATUS", u"GET AUDIO_IN", u"SET AUDIO_IN", u"GET AUDIO_OUT",
    u"SET AUDIO_OUT", u"GET VIDEO_IN", u"SET VIDEO_IN", u"GET RINGER", u"SET RINGER", u"GET MUTE", u"SET MUTE",
    u"GET PCSPEAKER", u"SET PCSPEAKER", u"GET AGC", u"SET AGC", u"GET AEC", u"SET AEC", u"SET AVATAR",
    u"GET RINGTONE", u"SET RINGTONE", u"CREATE APPLICATION", u"DELETE APPLICATION", u"ALTER APPLICATION",
    u"GET APPLICATION", u"PING",
};
const struct {
  SkypeWordGroup group;
  std::vector<std::u16string_view> words;
} kGroups[] = {
    {SkypeWordGroup::kUserProperty,  // user properties
     {
         u"HANDLE", u"FULLNAME", u"BIRTHDAY", u"SEX", u"LANGUAGE", u"COUNTRY", u"PROVINCE", u"CITY",
         u"PHONE_HOME", u"PHONE_OFFICE", u"PHONE_MOBILE", u"HOMEPAGE", u"ABOUT", u"HASCALLEQUIPMENT",
         u"BUDDYSTATUS", u"ISAUTHORIZED", u"ISBLOCKED", u"DISPLAYNAME", u"ONLINESTATUS",
         u"LASTONLINETIMESTAMP", u"SPEEDDIAL", u"MOOD_TEXT", u"TIMEZONE", u"IS_VIDEO_CAPABLE",
     }},
    {SkypeWordGroup::kCallProperty,  // call properties and actions
     {
         u"TIMESTAMP", u"PARTNER_HANDLE", u"PARTNER_DISPNAME", u"CONF_ID", u"TYPE", u"STATUS",
         u"FAILUREREASON", u"SUBJECT", u"PSTN_NUMBER", u"DURATION", u"PSTN_STATUS", u"CONF_PARTICIPANTS_COUNT",
         u"CONF_PARTICIPANT", u"DTMF", u"VIDEO_STATUS", u"VIDEO_RECEIVE_STATUS", u"VIDEO_SEND_STATUS",
         u"FORWARDED_BY", u"VAA_INPUT_STATUS", u"INPUT", u"OUTPUT", u"ANSWER", u"HOLD", u"RESUME", u"HANGUP",
         u"END", u"END HANGUP", u"END REDIRECT_TO_VM", u"END FORWARD_CALL", u"DTMF_SEND", u"JOIN_CONFERENCE",
         u"START_VIDEO_SEND", u"STOP_VIDEO_SEND", u"START_VIDEO_RECEIVE", u"STOP_VIDEO_RECEIVE", u"SET_INPUT",
         u"SET_OUTPUT",
     }},
    {SkypeWordGroup::kCallStatus,  // call status
     {
         u"UNPLACED", u"ROUTING", u"EARLYMEDIA", u"FAILED", u"RINGING", u"INPROGRESS", u"ONHOLD", u"LOCALHOLD",
         u"REMOTEHOLD", u"FINISHED", u"MISSED", u"REFUSED", u"BUSY", u"CANCELLED",
     }},
    {SkypeWordGroup::kCallType,  // call type
     {
         u"INCOMING_PSTN", u"OUTGOING_PSTN", u"INCOMING_P2P", u"OUTGOING_P2P",
     }},
    {SkypeWordGroup::kVideoStatus,  // video status
     {
         u"VIDEO_NONE", u"VIDEO_SEND_ENABLED", u"VIDEO_RECV_ENABLED", u"VIDEO_BOTH_ENABLED",
     }},
    {SkypeWordGroup::kChatProperty,  // chat properties
     {
         u"NAME", u"TIMESTAMP", u"ADDER", u"STATUS", u"POSTERS", u"MEMBERS", u"TOPIC", u"CHATMESSAGES",
         u"ACTIVEMEMBERS", u"FRIENDLYNAME", u"RECENTCHATMESSAGES",
     }},
    {SkypeWordGroup::kAppProperty,  // application properties
     {
         u"CONNECT", u"CONNECTING", u"CONNECTABLE", u"DISCONNECT", u"STREAMS", u"WRITE", u"READ", u"DATAGRAM",
         u"SENDING", u"RECEIVED",
     }},
    {SkypeWordGroup::kOnlineStatus,  // online status
     {
         u"UNKNOWN", u"OFFLINE", u"ONLINE", u"SKYPEME", u"AWAY", u"NA", u"DND", u"INVISIBLE", u"SKYPEOUT",
         u"LOGGEDOUT",
     }},
    {SkypeWordGroup::kConnStatus,  // connection status
     {
         u"OFFLINE", u"CONNECTING", u"PAUSING", u"ONLINE", u"LOGGEDOUT",
     }},
    {SkypeWordGroup::kAction,  // voicemail and other actions
     {
         u"STARTPLAYBACK", u"STOPPLAYBACK", u"UPLOAD", u"DOWNLOAD", u"STARTRECORDING", u"STOPRECORDING",
         u"DELETE", u"AUTHREQUEST", u"TEXT", u"CONTACTS",
     }},
};

TEST(SkypeVocabulary, NotificationAndCommandWordsStandInTheirPlaces) {
  ASSERT_EQ(kNotifyWords.size(), static_cast<size_t>(SkypeNotify::NONE));
  ASSERT_EQ(kCmdWords.size(), static_cast<size_t>(SkypeCmd::NONE));
  for (size_t i = 0; i < kNotifyWords.size(); ++i) {
    EXPECT_EQ(SkypeNotifyWord(static_cast<int32_t>(i)), kNotifyWords[i]) << i;
  }
  for (size_t k = 0; k < kCmdWords.size(); ++k) EXPECT_EQ(SkypeCmdWord(static_cast<int32_t>(k)), kCmdWords[k]) << k;
}

TEST(SkypeVocabulary, GroupsHoldTheirWordsInOrderAndEveryWordFindsItsIndex) {
  for (const auto& g : kGroups) {
    SCOPED_TRACE(qav::U8(g.words.front()));
    const auto size = static_cast<int32_t>(g.words.size());
    ASSERT_EQ(SkypeGroupSize(g.group), size);
    for (int32_t i = 0; i < size; ++i) EXPECT_EQ(SkypeGroupWord(g.group, i), g.words[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(SkypeGroupWord(g.group, size), u"");
    EXPECT_EQ(SkypeGroupWord(g.group, -1), u"");
    for (int32_t i = 0; i < size; ++i) {
      const std::u16string_view word = SkypeGroupWord(g.group, i);
      EXPECT_EQ(FindSkypeGroupWord(g.group, word), i) << qav::U8(word);
      EXPECT_EQ(FindSkypeGroupWord(g.group, qav::ToLowerAscii(word)), i) << qav::U8(word);
    }
    EXPECT_EQ(FindSkypeGroupWord(g.group, u"NO_SUCH_WORD"), size);
    EXPECT_EQ(FindSkypeGroupWord(g.group, u""), size);
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
