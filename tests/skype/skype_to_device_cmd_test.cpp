#include "skype/link/skype_to_device_cmd.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "platform/text.h"
#include "skype/link/skype_protocol_error.h"

namespace {

// One line for a parsed record: "<id> <index> <payload>", the payload with every field, so a
// table row states the whole outcome.
std::string Describe(const SkypeToDeviceCmd& cmd) {
  std::string out = std::to_string(cmd.GetId()) + " " + std::to_string(cmd.GetNotifyIndex());
  const CSkypeObj* p = cmd.GetPayload();
  if (!p) return out + " -";
  const auto base = [&](const char* kind) {
    return std::string(" ") + kind + "{id='" + qav::U8(p->m_strId) + "' value='" + qav::U8(p->m_strValue) + "'";
  };
  if (auto* call = cmd.PayloadAs<CSkypeObjCall>()) {
    return out + base("Call") + " prop=" + std::to_string(call->m_nProperty) + " type=" + std::to_string(call->m_nType) +
           " status=" + std::to_string(call->m_nStatus) + "}";
  }
  if (auto* user = cmd.PayloadAs<CSkypeObjUser>()) {
    return out + base("User") + " prop=" + std::to_string(user->m_nProperty) +
           " online=" + std::to_string(user->m_nOnlineStatus) + "}";
  }
  if (auto* conn = cmd.PayloadAs<CSkypeObjConnStatus>()) {
    return out + base("Conn") + " status=" + std::to_string(conn->m_nStatus) + "}";
  }
  if (auto* chat = cmd.PayloadAs<CSkypeObjChat>()) {
    return out + base("Chat") + " prop=" + std::to_string(chat->m_nProperty) + " extra=" + std::to_string(chat->m_nExtra) +
           "}";
  }
  if (auto* app = cmd.PayloadAs<CSkypeObjApp>()) {
    return out + base("App") + " prop=" + std::to_string(app->m_nProperty) + "}";
  }
  if (auto* device = cmd.PayloadAs<CSkypeObjDevice>()) {
    return out + base("Device") + " device='" + qav::U8(device->m_strDevice) + "'}";
  }
  if (auto* error = cmd.PayloadAs<CSkypeObjError>()) {
    return out + base("Error") + " number=" + std::to_string(error->m_nError) + " text='" +
           qav::U8(error->m_strErrorText) + "'}";
  }
  return out + base("Obj") + "}";
}

struct ParseCase {
  const char16_t* line;
  const char* expected;
};

const ParseCase kParsed[] = {
    // calls
    {u"#15 CALL 1234 STATUS RINGING", "15 28 Call{id='1234' value='RINGING' prop=5 type=4 status=4}"},
    {u"CALL 1234 STATUS RINGING", "-1 28 Call{id='1234' value='RINGING' prop=5 type=4 status=4}"},
    {u"#15 call 1234 status ringing", "15 28 Call{id='1234' value='ringing' prop=5 type=4 status=4}"},
    {u"CALL 1234 STATUS CANCELLED", "-1 28 Call{id='1234' value='CANCELLED' prop=5 type=4 status=13}"},
    {u"CALL 1234 STATUS WAITING_REDIAL", "-1 28 Call{id='1234' value='WAITING_REDIAL' prop=5 type=4 status=14}"},
    {u"CALL 1234 STATUS", "-1 28 Call{id='1234' value='' prop=5 type=4 status=14}"},
    {u"CALL 1234 TYPE INCOMING_P2P", "-1 28 Call{id='1234' value='INCOMING_P2P' prop=4 type=2 status=14}"},
    {u"CALL 1234 TYPE VIDEO_CALL", "-1 28 Call{id='1234' value='VIDEO_CALL' prop=4 type=4 status=14}"},
    {u"CALL 1234 PARTNER_HANDLE caller1", "-1 28 Call{id='1234' value='caller1' prop=1 type=4 status=14}"},
    {u"CALL 1 OUTPUT", "-1 28 Call{id='1' value='' prop=20 type=4 status=14}"},
    {u"CALL 1 OUTPUT SOUNDCARD=\"default\", PORT=\"5001\"",
     "-1 28 Call{id='1' value='SOUNDCARD=\"default\", PORT=\"5001\"' prop=20 type=4 status=14}"},
    {u"#9 ALTER CALL 12 ANSWER", "9 47 -"},
    // contacts and the current user
    {u"USER caller1 FULLNAME Sample  Caller ", "-1 27 User{id='caller1' value='Sample  Caller ' prop=1 online=10}"},
    {u"USER caller1 ONLINESTATUS AWAY", "-1 27 User{id='caller1' value='AWAY' prop=18 online=4}"},
    {u"user caller1 onlinestatus dnd", "-1 27 User{id='caller1' value='dnd' prop=18 online=6}"},
    {u"USER caller1 ONLINESTATUS BUSYBODY", "-1 27 User{id='caller1' value='BUSYBODY' prop=18 online=10}"},
    {u"USER caller1 IS_VIDEO_CAPABLE TRUE", "-1 27 User{id='caller1' value='TRUE' prop=23 online=10}"},
    {u"USER +4930123 BUDDYSTATUS 2", "-1 27 User{id='+4930123' value='2' prop=14 online=10}"},
    {u"USER  FULLNAME x", "-1 27 User{id='' value='x' prop=1 online=10}"},
    {u"USERSTATUS ONLINE", "-1 2 User{id='' value='' prop=24 online=2}"},
    {u"userstatus away", "-1 2 User{id='' value='' prop=24 online=4}"},
    {u"USERSTATUS", "-1 2 User{id='' value='' prop=24 online=10}"},
    {u"CONNSTATUS LOGGEDOUT", "-1 3 Conn{id='' value='' status=4}"},
    {u"CONNSTATUS HIBERNATING", "-1 3 Conn{id='' value='' status=5}"},
    {u"#5 CURRENTUSERHANDLE owner.one", "5 4 Obj{id='owner.one' value=''}"},
    {u"USERS caller1, caller2, +", "-1 17 Obj{id='' value='caller1, caller2, +'}"},
    {u"CALLS 12, 13", "-1 19 Obj{id='' value='12, 13'}"},
    {u"CALLS", "-1 19 Obj{id='' value=''}"},
    {u"MISSEDMESSAGES 3", "-1 25 Obj{id='' value='3'}"},
    // devices and the link itself
    {u"AUDIO_IN Built-in Audio Analog Stereo", "-1 7 Device{id='' value='' device='Built-in Audio Analog Stereo'}"},
    {u"AUDIO_OUT", "-1 8 Device{id='' value='' device=''}"},
    {u"VIDEO_IN", "-1 9 Device{id='' value='' device=''}"},
    {u"#3 PROTOCOL 8", "3 1 Obj{id='' value='8'}"},
    {u"PONG", "-1 52 -"},
    {u"#1 NAME QAV", "1 0 -"},
    {u"SKYPEVERSION 2.6.0.81", "-1 16 -"},
    {u"ERROR 68", "-1 53 Error{id='' value='' number=68 text=''}"},
    {u"#7 ERROR 68 Access denied", "7 53 Error{id='' value='' number=68 text='Access denied'}"},
    {u"ERROR 2 Unknown command", "-1 53 Error{id='' value='' number=2 text='Unknown command'}"},
    // windows, chats and applications
    {u"OPEN IM caller1 hello there", "-1 38 User{id='caller1' value='hello there' prop=24 online=10}"},
    {u"OPEN ADDAFRIEND caller1", "-1 37 User{id='caller1' value='' prop=24 online=10}"},
    {u"open userinfo caller1", "-1 43 -"},
    {u"OPEN CHAT #a/$b;1", "-1 39 -"},
    {u"CONTACTS FOCUSED caller1", "-1 44 User{id='caller1' value='' prop=24 online=10}"},
    {u"CONTACTS FOCUSED ", "-1 44 User{id='' value='' prop=24 online=10}"},
    {u"CREATE APPLICATION qavapp", "-1 45 App{id='qavapp' value='' prop=10}"},
    {u"delete application qavapp", "-1 46 App{id='qavapp' value='' prop=10}"},
    {u"APPLICATION qavapp CONNECTING caller1", "-1 34 App{id='qavapp' value='caller1' prop=1}"},
    {u"CHAT #a/$b;1 TOPIC Hello  world", "-1 29 Chat{id='#a/$b;1' value='Hello  world' prop=6 extra=3}"},
    {u"CHATMESSAGE 55 STATUS RECEIVED", "-1 30 -"},
    {u"CHATMESSAGES 1, 2", "-1 21 -"},
};

TEST(SkypeToDeviceCmd, ParsesEachKindOfLine) {
  for (const ParseCase& c : kParsed) {
    SCOPED_TRACE(qav::U8(c.line));
    SkypeToDeviceCmd cmd;
    ASSERT_NO_THROW(cmd.Parse(c.line));
    EXPECT_EQ(Describe(cmd), c.expected);
    EXPECT_EQ(cmd.GetText(), c.line);
    EXPECT_EQ(SkypeToDeviceCmd::ReadReplyId(c.line), cmd.GetId());
  }
}

TEST(SkypeToDeviceCmd, UnreadableLinesFailButKeepTheirReplyId) {
  const struct {
    const char16_t* line;
    int32_t id;
  } cases[] = {
      {u"#15 OK", 15},
      {u"#15", 15},
      {u"#15 ", 15},
      {u"#15 ERROR", 15},
      {u"#15 ERROR x1 text", 15},
      {u"ERROR", -1},
      {u"ERROR 99999999999 Overflowing", -1},
      {u"ERROR -2147483649", -1},
      {u"CHATMEMBER 12 ROLE USER", -1},  // not CHAT, CHATMESSAGE or CHATMESSAGES
      {u"CALLX 1 STATUS RINGING", -1},
      {u"USER caller1 NICKNAME x", -1},
      {u"USER caller1", -1},
      {u"CALL 1", -1},
      {u"CALL 1 ", -1},  // an empty property is no property
      {u"CHAT", -1},
      {u"APPLICATION qavapp SHOUT", -1},
      {u"OPEN NOTEPAD", -1},
      {u"OPEN", -1},
      {u"OPEN IM", -1},
      {u"CONTACTS BLURRED caller1", -1},
      {u"CONTACTS FOCUSED", -1},
      {u"CREATE USER x", -1},
      {u"DELETE APPLICATION", -1},
      {u"PROTOCOL", -1},
      {u"", -1},
      {u" PONG", -1},
      {u"#", -1},
      {u"#abc CALL 1 STATUS RINGING", -1},
      {u"#15x PONG", -1},
      {u"#-1 PONG", -1},
      {u"#2147483648 PONG", -1},
      {u"#99999999999999999999999 PONG", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(qav::U8(c.line));
    SkypeToDeviceCmd cmd;
    cmd.Parse(u"#3 CALL 1 STATUS RINGING");  // a record in use is reset by the next parse
    EXPECT_THROW(cmd.Parse(c.line), qav::SkypeProtocolError);
    EXPECT_EQ(cmd.GetId(), c.id);
    EXPECT_EQ(SkypeToDeviceCmd::ReadReplyId(c.line), c.id);
    EXPECT_EQ(cmd.GetNotifyIndex(), SkypeNotify::NONE);
    EXPECT_EQ(cmd.GetPayload(), nullptr);
    EXPECT_EQ(cmd.GetText(), c.line);
  }
  EXPECT_EQ(SkypeToDeviceCmd::ReadReplyId(u"#2147483647 PONG"), 2147483647);
}

TEST(SkypeToDeviceCmd, CopiesCloneThePayloadAsItsOwnClass) {
  for (const ParseCase& c : kParsed) {
    SCOPED_TRACE(qav::U8(c.line));
    SkypeToDeviceCmd original;
    original.Parse(c.line);
    const SkypeToDeviceCmd copy(original);
    SkypeToDeviceCmd assigned;
    assigned.Parse(u"PONG");
    assigned = original;
    for (const SkypeToDeviceCmd* other : {&copy, static_cast<const SkypeToDeviceCmd*>(&assigned)}) {
      EXPECT_EQ(Describe(*other), c.expected);
      EXPECT_EQ(other->GetText(), original.GetText());
      if (original.GetPayload()) {
        ASSERT_NE(other->GetPayload(), nullptr);
        EXPECT_NE(other->GetPayload(), original.GetPayload());
        EXPECT_EQ(typeid(*other->GetPayload()), typeid(*original.GetPayload()));
      }
    }
  }
}

TEST(SkypeToDeviceCmd, WireBytesEndAtTheFirstNulOrTheData) {
  const struct {
    std::string bytes;
    std::u16string line;
  } cases[] = {
      {std::string("PONG\0", 5), u"PONG"},
      {"CALL 1 STATUS RINGING", u"CALL 1 STATUS RINGING"},  // no NUL: the whole data
      {std::string("#3 PONG\0garbage", 15), u"#3 PONG"},
      {std::string("\0PONG", 5), u""},
      {"", u""},
      {"USER caller1 FULLNAME Skype\xE2\x84\xA2", u"USER caller1 FULLNAME Skype\u2122"},
      {"USER caller1 FULLNAME \xFF", u"USER caller1 FULLNAME \uFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(SkypeToDeviceCmd::LineFromWire(c.bytes), c.line);
  }
}

}  // namespace
