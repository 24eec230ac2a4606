#include "skype/link/skype_vocabulary.h"

#include <array>

namespace {

constexpr int32_t kNotifyCount = SkypeNotify::NONE;  // 54
constexpr int32_t kCmdCount = SkypeCmd::NONE;        // 79

// Table A: the notification words, then the command words.
constexpr std::array<std::u16string_view, kSkypeTableASize> kTableA = {
    // notification words 0..53
    u"NAME", u"PROTOCOL", u"USERSTATUS", u"CONNSTATUS", u"CURRENTUSERHANDLE", u"PRIVILEGE",
    u"PROFILE", u"AUDIO_IN", u"AUDIO_OUT", u"VIDEO_IN", u"RINGER", u"MUTE", u"AGC", u"AEC",
    u"AVATAR", u"RINGTONE", u"SKYPEVERSION", u"USERS", u"FRIENDS", u"CALLS", u"CHATS",
    u"CHATMESSAGES", u"VOICEMAILS", u"MISSEDCALLS", u"MESSAGES", u"MISSEDMESSAGES", u"GROUPS",
    u"USER", u"CALL", u"CHAT", u"CHATMESSAGE", u"VOICEMAIL", u"CALLHISTORYCHANGED",
    u"IMHISTORYCHANGED", u"APPLICATION", u"FOCUS", u"MINIMIZE", u"OPEN", u"OPEN", u"OPEN", u"OPEN",
    u"OPEN", u"OPEN", u"OPEN", u"CONTACTS", u"CREATE", u"DELETE", u"ALTER", u"GET", u"GROUP",
    u"DELETE", u"ALTER", u"PONG", u"ERROR",
    // command words 54..132
    u"NAME", u"PROTOCOL", u"GET USER", u"SET USER", u"CALL", u"GET CALL", u"ALTER CALL",
    u"VOICEMAIL", u"OPEN VOICEMAIL", u"ALTER VOICEMAIL", u"GET VOICEMAIL", u"SET VOICEMAIL",
    u"CHAT CREATE", u"CHATMESSAGE", u"ALTER CHAT", u"GET CHAT", u"SET CHAT", u"GET CHATMESSAGE",
    u"SET CHATMESSAGE", u"MESSAGE", u"SEARCH FRIENDS", u"SEARCH USERS", u"SEARCH CALLS",
    u"SEARCH ACTIVECALLS", u"SEARCH MISSEDCALLS", u"SEARCH VOICEMAILS", u"SEARCH CHATS",
    u"SEARCH ACTIVECHATS", u"SEARCH MISSEDCHATS", u"SEARCH RECENTCHATS",
    u"SEARCH BOOKMARKEDCHATS", u"SEARCH CHATMESSAGES", u"SEARCH MISSEDCHATMESSAGES",
    u"SEARCH USERSWAITINGMYAUTHORIZATION", u"CLEAR CHATHISTORY", u"CLEAR VOICEMAILHISTORY",
    u"CLEAR CALLHISTORY", u"FOCUS", u"MINIMIZE", u"OPEN ADDAFRIEND", u"OPEN IM", u"OPEN CHAT",
    u"OPEN FILETRANSFER", u"OPEN VIDEOTEST", u"OPEN OPTIONS VIDEO", u"OPEN PROFILE",
    u"OPEN USERINFO", u"GET SKYPEVERSION", u"GET CURRENTUSERHANDLE", u"GET USERSTATUS",
    u"SET USERSTATUS", u"GET PRIVILEGE", u"GET PROFILE", u"SET PROFILE", u"GET CONNSTATUS",
    u"GET AUDIO_IN", u"SET AUDIO_IN", u"GET AUDIO_OUT", u"SET AUDIO_OUT", u"GET VIDEO_IN",
    u"SET VIDEO_IN", u"GET RINGER", u"SET RINGER", u"GET MUTE", u"SET MUTE", u"GET PCSPEAKER",
    u"SET PCSPEAKER", u"GET AGC", u"SET AGC", u"GET AEC", u"SET AEC", u"SET AVATAR",
    u"GET RINGTONE", u"SET RINGTONE", u"CREATE APPLICATION", u"DELETE APPLICATION",
    u"ALTER APPLICATION", u"GET APPLICATION", u"PING",
};
static_assert(kNotifyCount + kCmdCount == kSkypeTableASize);

// Table B: the groups back to back, in SkypeWordGroup order.
constexpr std::array<std::u16string_view, kSkypeTableBSize> kTableB = {
    // user properties (24)
    u"HANDLE", u"FULLNAME", u"BIRTHDAY", u"SEX", u"LANGUAGE", u"COUNTRY", u"PROVINCE", u"CITY",
    u"PHONE_HOME", u"PHONE_OFFICE", u"PHONE_MOBILE", u"HOMEPAGE", u"ABOUT", u"HASCALLEQUIPMENT",
    u"BUDDYSTATUS", u"ISAUTHORIZED", u"ISBLOCKED", u"DISPLAYNAME", u"ONLINESTATUS",
    u"LASTONLINETIMESTAMP", u"SPEEDDIAL", u"MOOD_TEXT", u"TIMEZONE", u"IS_VIDEO_CAPABLE",
    // call properties and actions (37)
    u"TIMESTAMP", u"PARTNER_HANDLE", u"PARTNER_DISPNAME", u"CONF_ID", u"TYPE", u"STATUS",
    u"FAILUREREASON", u"SUBJECT", u"PSTN_NUMBER", u"DURATION", u"PSTN_STATUS",
    u"CONF_PARTICIPANTS_COUNT", u"CONF_PARTICIPANT", u"DTMF", u"VIDEO_STATUS",
    u"VIDEO_RECEIVE_STATUS", u"VIDEO_SEND_STATUS", u"FORWARDED_BY", u"VAA_INPUT_STATUS", u"INPUT",
    u"OUTPUT", u"ANSWER", u"HOLD", u"RESUME", u"HANGUP", u"END", u"END HANGUP",
    u"END REDIRECT_TO_VM", u"END FORWARD_CALL", u"DTMF_SEND", u"JOIN_CONFERENCE",
    u"START_VIDEO_SEND", u"STOP_VIDEO_SEND", u"START_VIDEO_RECEIVE", u"STOP_VIDEO_RECEIVE",
    u"SET_INPUT", u"SET_OUTPUT",
    // call status (14)
    u"UNPLACED", u"ROUTING", u"EARLYMEDIA", u"FAILED", u"RINGING", u"INPROGRESS", u"ONHOLD",
    u"LOCALHOLD", u"REMOTEHOLD", u"FINISHED", u"MISSED", u"REFUSED", u"BUSY", u"CANCELLED",
    // call type (4)
    u"INCOMING_PSTN", u"OUTGOING_PSTN", u"INCOMING_P2P", u"OUTGOING_P2P",
    // video status (4)
    u"VIDEO_NONE", u"VIDEO_SEND_ENABLED", u"VIDEO_RECV_ENABLED", u"VIDEO_BOTH_ENABLED",
    // chat properties (11)
    u"NAME", u"TIMESTAMP", u"ADDER", u"STATUS", u"POSTERS", u"MEMBERS", u"TOPIC", u"CHATMESSAGES",
    u"ACTIVEMEMBERS", u"FRIENDLYNAME", u"RECENTCHATMESSAGES",
    // application properties (10)
    u"CONNECT", u"CONNECTING", u"CONNECTABLE", u"DISCONNECT", u"STREAMS", u"WRITE", u"READ",
    u"DATAGRAM", u"SENDING", u"RECEIVED",
    // online status (10)
    u"UNKNOWN", u"OFFLINE", u"ONLINE", u"SKYPEME", u"AWAY", u"NA", u"DND", u"INVISIBLE",
    u"SKYPEOUT", u"LOGGEDOUT",
    // connection status (5)
    u"OFFLINE", u"CONNECTING", u"PAUSING", u"ONLINE", u"LOGGEDOUT",
    // voicemail and other actions (10)
    u"STARTPLAYBACK", u"STOPPLAYBACK", u"UPLOAD", u"DOWNLOAD", u"STARTRECORDING",
    u"STOPRECORDING", u"DELETE", u"AUTHREQUEST", u"TEXT", u"CONTACTS",
};

struct GroupSpan {
  int32_t start;
  int32_t size;
};

constexpr std::array<int32_t, 10> kGroupSizes = {
    SkypeUserProp::NONE, SkypeCallProp::NONE, SkypeCallStatus::NONE, SkypeCallType::NONE,
    SkypeVideoStatus::NONE, SkypeChatProp::NONE, SkypeAppProp::NONE, SkypeOnlineStatus::NONE,
    SkypeConnStatus::NONE, SkypeAction::NONE,
};

constexpr int32_t SumOfGroupSizes() {
  int32_t sum = 0;
  for (int32_t size : kGroupSizes) sum += size;
  return sum;
}
static_assert(SumOfGroupSizes() == kSkypeTableBSize);

constexpr GroupSpan SpanOf(SkypeWordGroup group) {
  const auto g = static_cast<size_t>(group);
  int32_t start = 0;
  for (size_t i = 0; i < g; ++i) start += kGroupSizes[i];
  return {start, kGroupSizes[g]};
}

bool IsKnownGroup(SkypeWordGroup group) {
  const auto g = static_cast<int32_t>(group);
  return g >= 0 && g < static_cast<int32_t>(kGroupSizes.size());
}

// Whole-word comparison of a received word with an upper-case table word, folding only ASCII
// letters (the protocol's words are ASCII; a non-ASCII letter never matches one).
bool SameWord(std::u16string_view received, std::u16string_view tableWord) {
  if (received.size() != tableWord.size()) return false;
  for (size_t i = 0; i < received.size(); ++i) {
    char16_t c = received[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
    if (c != tableWord[i]) return false;
  }
  return true;
}

int32_t FindIn(const std::u16string_view* words, int32_t count, std::u16string_view word) {
  for (int32_t i = 0; i < count; ++i) {
    if (SameWord(word, words[i])) return i;
  }
  return count;
}

}  // namespace

std::u16string_view SkypeNotifyWord(int32_t notifyIndex) {
  if (notifyIndex < 0 || notifyIndex >= kNotifyCount) return {};
  return kTableA[static_cast<size_t>(notifyIndex)];
}

std::u16string_view SkypeCmdWord(int32_t cmdIndex) {
  if (cmdIndex < 0 || cmdIndex >= kCmdCount) return {};
  return kTableA[static_cast<size_t>(kNotifyCount + cmdIndex)];
}

int32_t SkypeGroupSize(SkypeWordGroup group) {
  return IsKnownGroup(group) ? kGroupSizes[static_cast<size_t>(group)] : 0;
}

std::u16string_view SkypeGroupWord(SkypeWordGroup group, int32_t index) {
  if (!IsKnownGroup(group)) return {};
  const GroupSpan span = SpanOf(group);
  if (index < 0 || index >= span.size) return {};
  return kTableB[static_cast<size_t>(span.start + index)];
}

int32_t FindSkypeNotifyWord(std::u16string_view word) {
  return FindIn(kTableA.data(), kNotifyCount, word);
}

int32_t FindSkypeGroupWord(SkypeWordGroup group, std::u16string_view word) {
  if (!IsKnownGroup(group)) return 0;
  const GroupSpan span = SpanOf(group);
  return FindIn(kTableB.data() + span.start, span.size, word);
}

bool IsSkypeTrue(std::u16string_view value) { return value == u"True"; }
