// The words of the call client's text API as the program knows them.
//
// Two fixed tables hold every word, in upper case exactly as the client writes them. Their
// positions are the program's own enumerations: the rest of the program stores an index (a call's
// status, a contact's online status, the connection status), never the word.
//
// Table A holds the notification words (index 0..53, matched against the first word of a received
// line) followed by the command words (A[54 + k] for command index k = 0..78).
//
// Table B holds groups of property and value words. Each group is indexed from its own start, and
// a lookup that finds nothing returns the group's size, which every caller treats as "none".
//
// All lookups compare without regard to (ASCII) case, since the client's words may arrive in any
// case, and compare whole words: "CHATMEMBER" is not "CHAT", "CHATMESSAGES" is not "CHATMESSAGE".
#pragma once

#include <cstdint>
#include <string_view>

// ---- Table A: notification words ---------------------------------------------------------------

// Index of the first word of a received line. OPEN (37) is refined by the word after it into
// 37..43; because the first match wins, 38..43 are reached only through that refinement and the
// second DELETE (50) and ALTER (51) are never produced.
namespace SkypeNotify {
enum : int32_t {
  NAME = 0, PROTOCOL, USERSTATUS, CONNSTATUS, CURRENTUSERHANDLE, PRIVILEGE, PROFILE, AUDIO_IN,
  AUDIO_OUT, VIDEO_IN, RINGER, MUTE, AGC, AEC, AVATAR, RINGTONE, SKYPEVERSION, USERS, FRIENDS,
  CALLS, CHATS, CHATMESSAGES, VOICEMAILS, MISSEDCALLS, MESSAGES, MISSEDMESSAGES, GROUPS, USER,
  CALL, CHAT, CHATMESSAGE, VOICEMAIL, CALLHISTORYCHANGED, IMHISTORYCHANGED, APPLICATION, FOCUS,
  MINIMIZE,
  OPEN = 37,
  OPEN_ADDAFRIEND = 37, OPEN_IM, OPEN_CHAT, OPEN_FILETRANSFER, OPEN_VOICEMAIL, OPEN_PROFILE,
  OPEN_USERINFO,
  CONTACTS = 44, CREATE, DELETE, ALTER, GET, GROUP, DELETE_2, ALTER_2, PONG, ERROR,
  NONE = 54,  // no word matched
};
}  // namespace SkypeNotify

// ---- Table A: command words --------------------------------------------------------------------

namespace SkypeCmd {
enum : int32_t {
  NAME = 0, PROTOCOL, GET_USER, SET_USER, CALL, GET_CALL, ALTER_CALL, VOICEMAIL, OPEN_VOICEMAIL,
  ALTER_VOICEMAIL, GET_VOICEMAIL, SET_VOICEMAIL, CHAT_CREATE, CHATMESSAGE, ALTER_CHAT, GET_CHAT,
  SET_CHAT, GET_CHATMESSAGE, SET_CHATMESSAGE, MESSAGE, SEARCH_FRIENDS, SEARCH_USERS, SEARCH_CALLS,
  SEARCH_ACTIVECALLS, SEARCH_MISSEDCALLS, SEARCH_VOICEMAILS, SEARCH_CHATS, SEARCH_ACTIVECHATS,
  SEARCH_MISSEDCHATS, SEARCH_RECENTCHATS, SEARCH_BOOKMARKEDCHATS, SEARCH_CHATMESSAGES,
  SEARCH_MISSEDCHATMESSAGES, SEARCH_USERSWAITINGMYAUTHORIZATION, CLEAR_CHATHISTORY,
  CLEAR_VOICEMAILHISTORY, CLEAR_CALLHISTORY, FOCUS, MINIMIZE, OPEN_ADDAFRIEND, OPEN_IM, OPEN_CHAT,
  OPEN_FILETRANSFER, OPEN_VIDEOTEST, OPEN_OPTIONS_VIDEO, OPEN_PROFILE, OPEN_USERINFO,
  GET_SKYPEVERSION, GET_CURRENTUSERHANDLE, GET_USERSTATUS, SET_USERSTATUS, GET_PRIVILEGE,
  GET_PROFILE, SET_PROFILE, GET_CONNSTATUS, GET_AUDIO_IN, SET_AUDIO_IN, GET_AUDIO_OUT,
  SET_AUDIO_OUT, GET_VIDEO_IN, SET_VIDEO_IN, GET_RINGER, SET_RINGER, GET_MUTE, SET_MUTE,
  GET_PCSPEAKER, SET_PCSPEAKER, GET_AGC, SET_AGC, GET_AEC, SET_AEC, SET_AVATAR, GET_RINGTONE,
  SET_RINGTONE, CREATE_APPLICATION, DELETE_APPLICATION, ALTER_APPLICATION, GET_APPLICATION, PING,
  NONE = 79,
};
}  // namespace SkypeCmd

// ---- Table B groups ----------------------------------------------------------------------------

namespace SkypeUserProp {
enum : int32_t {
  HANDLE = 0, FULLNAME, BIRTHDAY, SEX, LANGUAGE, COUNTRY, PROVINCE, CITY, PHONE_HOME, PHONE_OFFICE,
  PHONE_MOBILE, HOMEPAGE, ABOUT, HASCALLEQUIPMENT, BUDDYSTATUS, ISAUTHORIZED, ISBLOCKED,
  DISPLAYNAME, ONLINESTATUS, LASTONLINETIMESTAMP, SPEEDDIAL, MOOD_TEXT, TIMEZONE, IS_VIDEO_CAPABLE,
  NONE = 24,
};
}  // namespace SkypeUserProp

// Call properties (what GET CALL asks and CALL notifications report) and call actions (what
// ALTER CALL does) share one group.
namespace SkypeCallProp {
enum : int32_t {
  TIMESTAMP = 0, PARTNER_HANDLE, PARTNER_DISPNAME, CONF_ID, TYPE, STATUS, FAILUREREASON, SUBJECT,
  PSTN_NUMBER, DURATION, PSTN_STATUS, CONF_PARTICIPANTS_COUNT, CONF_PARTICIPANT, DTMF,
  VIDEO_STATUS, VIDEO_RECEIVE_STATUS, VIDEO_SEND_STATUS, FORWARDED_BY, VAA_INPUT_STATUS, INPUT,
  OUTPUT, ANSWER, HOLD, RESUME, HANGUP, END, END_HANGUP, END_REDIRECT_TO_VM, END_FORWARD_CALL,
  DTMF_SEND, JOIN_CONFERENCE, START_VIDEO_SEND, STOP_VIDEO_SEND, START_VIDEO_RECEIVE,
  STOP_VIDEO_RECEIVE, SET_INPUT, SET_OUTPUT,
  NONE = 37,
};
}  // namespace SkypeCallProp

namespace SkypeCallStatus {
enum : int32_t {
  UNPLACED = 0, ROUTING, EARLYMEDIA, FAILED, RINGING, INPROGRESS, ONHOLD, LOCALHOLD, REMOTEHOLD,
  FINISHED, MISSED, REFUSED, BUSY, CANCELLED,
  NONE = 14,
};
}  // namespace SkypeCallStatus

namespace SkypeCallType {
enum : int32_t { INCOMING_PSTN = 0, OUTGOING_PSTN, INCOMING_P2P, OUTGOING_P2P, NONE = 4 };
}  // namespace SkypeCallType

namespace SkypeVideoStatus {
enum : int32_t { VIDEO_NONE = 0, VIDEO_SEND_ENABLED, VIDEO_RECV_ENABLED, VIDEO_BOTH_ENABLED, NONE = 4 };
}  // namespace SkypeVideoStatus

namespace SkypeChatProp {
enum : int32_t {
  NAME = 0, TIMESTAMP, ADDER, STATUS, POSTERS, MEMBERS, TOPIC, CHATMESSAGES, ACTIVEMEMBERS,
  FRIENDLYNAME, RECENTCHATMESSAGES,
  NONE = 11,
};
}  // namespace SkypeChatProp

namespace SkypeAppProp {
enum : int32_t {
  CONNECT = 0, CONNECTING, CONNECTABLE, DISCONNECT, STREAMS, WRITE, READ, DATAGRAM, SENDING, RECEIVED,
  NONE = 10,
};
}  // namespace SkypeAppProp

namespace SkypeOnlineStatus {
enum : int32_t {
  UNKNOWN = 0, OFFLINE, ONLINE, SKYPEME, AWAY, NA, DND, INVISIBLE, SKYPEOUT, LOGGEDOUT,
  NONE = 10,
};
}  // namespace SkypeOnlineStatus

namespace SkypeConnStatus {
enum : int32_t { OFFLINE = 0, CONNECTING, PAUSING, ONLINE, LOGGEDOUT, NONE = 5 };
}  // namespace SkypeConnStatus

// Voicemail and other actions.
namespace SkypeAction {
enum : int32_t {
  STARTPLAYBACK = 0, STOPPLAYBACK, UPLOAD, DOWNLOAD, STARTRECORDING, STOPRECORDING, DELETE,
  AUTHREQUEST, TEXT, CONTACTS,
  NONE = 10,
};
}  // namespace SkypeAction

// The groups of table B, in table order.
enum class SkypeWordGroup : int32_t {
  kUserProperty,
  kCallProperty,
  kCallStatus,
  kCallType,
  kVideoStatus,
  kChatProperty,
  kAppProperty,
  kOnlineStatus,
  kConnStatus,
  kAction,
};

// ---- Lookups -----------------------------------------------------------------------------------

// Table sizes: 54 notification words + 79 command words; 129 words in table B.
inline constexpr int32_t kSkypeTableASize = 133;
inline constexpr int32_t kSkypeTableBSize = 129;

// A[0..53] for 0..53; "" for anything else (54, the refined OPEN indexes show "OPEN").
std::u16string_view SkypeNotifyWord(int32_t notifyIndex);
// A[54 + k] for k = 0..78 ("GET CALL", "PING"); "" outside.
std::u16string_view SkypeCmdWord(int32_t cmdIndex);
// The word of a group at an index; "" outside the group.
std::u16string_view SkypeGroupWord(SkypeWordGroup group, int32_t index);
// The number of words in a group, which is also its "none" value.
int32_t SkypeGroupSize(SkypeWordGroup group);

// Index of a notification word among A[0..53], first match wins; SkypeNotify::NONE when none.
int32_t FindSkypeNotifyWord(std::u16string_view word);
// Index of a word in a group; the group's size when none.
int32_t FindSkypeGroupWord(SkypeWordGroup group, std::u16string_view word);

// Whether a flag's value is the client's word for true: exactly "True". Unlike the table words, it
// is compared as written: "TRUE", "true" or "True " are not true.
bool IsSkypeTrue(std::u16string_view value);
