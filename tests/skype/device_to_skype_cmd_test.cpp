#include "skype/link/device_to_skype_cmd.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "skype/link/skype_protocol_error.h"
#include "skype/link/skype_to_device_cmd.h"
#include "skype/link/skype_vocabulary.h"

namespace {

using Builder = std::function<void(DeviceToSkypeCmd&)>;

struct BuildCase {
  const char* name;
  Builder build;
  const char16_t* text;  // "{id}" stands for the id
  int32_t cmdIndex;
};

const BuildCase kBuildCases[] = {
    {"Name", [](auto& c) { c.Name(DeviceToSkypeCmd::kProgramName); },
     u"#{id} NAME QAV - Answering Machine for Skype\u2122 users", SkypeCmd::NAME},
    {"Protocol", [](auto& c) { c.Protocol(DeviceToSkypeCmd::kProtocolVersion); }, u"#{id} PROTOCOL 8", SkypeCmd::PROTOCOL},
    {"GetUser", [](auto& c) { c.GetUser(u"caller1", SkypeUserProp::FULLNAME); }, u"#{id} GET USER caller1 FULLNAME",
     SkypeCmd::GET_USER},
    {"GetUserLastProperty", [](auto& c) { c.GetUser(u"caller1", SkypeUserProp::IS_VIDEO_CAPABLE); },
     u"#{id} GET USER caller1 IS_VIDEO_CAPABLE", SkypeCmd::GET_USER},
    {"Call", [](auto& c) { c.Call(u"echo123"); }, u"#{id} CALL echo123", SkypeCmd::CALL},
    {"GetCall", [](auto& c) { c.GetCall(1234, SkypeCallProp::PARTNER_HANDLE); }, u"#{id} GET CALL 1234 PARTNER_HANDLE",
     SkypeCmd::GET_CALL},
    {"AlterCallAnswer", [](auto& c) { c.AlterCall(1234, SkypeCallProp::ANSWER); }, u"#{id} ALTER CALL 1234 ANSWER",
     SkypeCmd::ALTER_CALL},
    {"AlterCallHangup", [](auto& c) { c.AlterCall(7, SkypeCallProp::HANGUP); }, u"#{id} ALTER CALL 7 HANGUP",
     SkypeCmd::ALTER_CALL},
    {"AlterCallTwoWordAction", [](auto& c) { c.AlterCall(7, SkypeCallProp::END_REDIRECT_TO_VM); },
     u"#{id} ALTER CALL 7 END REDIRECT_TO_VM", SkypeCmd::ALTER_CALL},
    {"SetOutputPort", [](auto& c) { c.AlterCallSetIo(1234, SkypeCallProp::SET_OUTPUT, false, 5001); },
     u"#{id} ALTER CALL 1234 SET_OUTPUT PORT=\"5001\"", SkypeCmd::ALTER_CALL},
    {"SetInputSoundCardAndPort", [](auto& c) { c.AlterCallSetIo(1234, SkypeCallProp::SET_INPUT, true, 65535); },
     u"#{id} ALTER CALL 1234 SET_INPUT SOUNDCARD=\"default\", PORT=\"65535\"", SkypeCmd::ALTER_CALL},
    {"SetOutputSoundCardPortZero", [](auto& c) { c.AlterCallSetIo(12, SkypeCallProp::SET_OUTPUT, true, 0); },
     u"#{id} ALTER CALL 12 SET_OUTPUT SOUNDCARD=\"default\"", SkypeCmd::ALTER_CALL},
    {"SetOutputSoundCardPortTooHigh", [](auto& c) { c.AlterCallSetIo(12, SkypeCallProp::SET_OUTPUT, true, 65536); },
     u"#{id} ALTER CALL 12 SET_OUTPUT SOUNDCARD=\"default\"", SkypeCmd::ALTER_CALL},
    {"Message", [](auto& c) { c.Message(u"caller1", u"100% sure, %s stays"); },
     u"#{id} MESSAGE caller1 100% sure, %s stays", SkypeCmd::MESSAGE},
    {"OpenIM", [](auto& c) { c.OpenIM(u"caller1", u"hello there"); }, u"#{id} OPEN IM caller1 hello there",
     SkypeCmd::OPEN_IM},
    {"OpenUserInfo", [](auto& c) { c.OpenUserInfo(u"caller1"); }, u"#{id} OPEN USERINFO caller1", SkypeCmd::OPEN_USERINFO},
    {"GetCurrentUserHandle", [](auto& c) { c.GetCurrentUserHandle(); }, u"#{id} GET CURRENTUSERHANDLE",
     SkypeCmd::GET_CURRENTUSERHANDLE},
    {"GetUserStatus", [](auto& c) { c.GetUserStatus(); }, u"#{id} GET USERSTATUS", SkypeCmd::GET_USERSTATUS},
    {"GetConnStatus", [](auto& c) { c.GetConnStatus(); }, u"#{id} GET CONNSTATUS", SkypeCmd::GET_CONNSTATUS},
    {"GetAudioIn", [](auto& c) { c.GetAudioIn(); }, u"#{id} GET AUDIO_IN", SkypeCmd::GET_AUDIO_IN},
    {"GetAudioOut", [](auto& c) { c.GetAudioOut(); }, u"#{id} GET AUDIO_OUT", SkypeCmd::GET_AUDIO_OUT},
    {"GetVideoIn", [](auto& c) { c.GetVideoIn(); }, u"#{id} GET VIDEO_IN", SkypeCmd::GET_VIDEO_IN},
    {"SetVideoIn", [](auto& c) { c.SetVideoIn(u"Integrated Camera"); }, u"#{id} SET VIDEO_IN Integrated Camera",
     SkypeCmd::SET_VIDEO_IN},
    {"Ping", [](auto& c) { c.Ping(); }, u"PING", SkypeCmd::PING},
};

TEST(DeviceToSkypeCmd, BuildersFormatEachCommandAndStepTheIdByTwo) {
  DeviceToSkypeCmd cmd;
  int32_t previousId = 0;
  for (const BuildCase& c : kBuildCases) {
    SCOPED_TRACE(c.name);
    cmd.SetSendCount(2);
    cmd.SetLastSendTimeMs(99);
    c.build(cmd);
    if (previousId != 0) {
      EXPECT_EQ(cmd.GetId(), previousId + 2);  // a PING takes an id too
    }
    previousId = cmd.GetId();
    EXPECT_EQ(cmd.GetId() % 2, 1);
    EXPECT_EQ(qav::U8(cmd.GetText()), qav::U8(qav::ReplaceAll(c.text, u"{id}", qav::Format(u"%d", cmd.GetId()))));
    EXPECT_EQ(cmd.GetCmdIndex(), c.cmdIndex);
    EXPECT_EQ(cmd.GetSendCount(), 0);
    EXPECT_EQ(cmd.GetLastSendTimeMs(), 0);
  }
}

// Exits with 0 when the first two commands of the process get the ids 1 and 3.
void ExitWithFirstIdsCheck() {
  DeviceToSkypeCmd first;
  DeviceToSkypeCmd second;
  first.GetUserStatus();
  second.Ping();
  std::exit(first.GetId() == 1 && second.GetId() == 3 ? 0 : 1);
}

TEST(DeviceToSkypeCmd, TheFirstIdOfARunIsOne) {
  // A fresh process: this death-test style re-executes the binary for the statement alone.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ExitWithFirstIdsCheck(), testing::ExitedWithCode(0), "");
}

TEST(DeviceToSkypeCmd, RefusedArgumentsThrowAndSpendNoId) {
  const struct {
    const char* name;
    Builder build;
  } refusals[] = {
      {"Name empty", [](auto& c) { c.Name(u""); }},
      {"GetUser empty handle", [](auto& c) { c.GetUser(u"", SkypeUserProp::FULLNAME); }},
      {"GetUser property 24", [](auto& c) { c.GetUser(u"caller1", 24); }},
      {"GetUser property -1", [](auto& c) { c.GetUser(u"caller1", -1); }},
      {"Call empty", [](auto& c) { c.Call(u""); }},
      {"GetCall CONF_PARTICIPANT", [](auto& c) { c.GetCall(1, SkypeCallProp::CONF_PARTICIPANT); }},
      {"GetCall 37", [](auto& c) { c.GetCall(1, 37); }},
      {"GetCall -1", [](auto& c) { c.GetCall(1, -1); }},
      {"AlterCall JOIN_CONFERENCE", [](auto& c) { c.AlterCall(1, SkypeCallProp::JOIN_CONFERENCE); }},
      {"AlterCall DTMF_SEND", [](auto& c) { c.AlterCall(1, SkypeCallProp::DTMF_SEND); }},
      {"AlterCall 37", [](auto& c) { c.AlterCall(1, 37); }},
      {"SetIo empty list", [](auto& c) { c.AlterCallSetIo(1, SkypeCallProp::SET_INPUT, false, 0); }},
      {"SetIo negative port", [](auto& c) { c.AlterCallSetIo(1, SkypeCallProp::SET_INPUT, false, -5); }},
      {"SetIo port too high", [](auto& c) { c.AlterCallSetIo(1, SkypeCallProp::SET_OUTPUT, false, 65536); }},
      {"SetIo other action", [](auto& c) { c.AlterCallSetIo(1, SkypeCallProp::ANSWER, true, 5000); }},
      {"Message empty handle", [](auto& c) { c.Message(u"", u"text"); }},
      {"OpenIM empty handle", [](auto& c) { c.OpenIM(u"", u"text"); }},
      {"OpenUserInfo empty", [](auto& c) { c.OpenUserInfo(u""); }},
  };
  DeviceToSkypeCmd cmd;
  cmd.GetConnStatus();
  const std::u16string text(cmd.GetText());
  const int32_t id = cmd.GetId();
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.name);
    EXPECT_THROW(r.build(cmd), qav::SkypeProtocolError);
    EXPECT_EQ(cmd.GetId(), id);
    EXPECT_EQ(cmd.GetText(), text);
  }
  DeviceToSkypeCmd next;
  next.Ping();
  EXPECT_EQ(next.GetId(), id + 2);
}

TEST(DeviceToSkypeCmd, WireBytesAreUtf8WithTheNul) {
  DeviceToSkypeCmd cmd;
  cmd.Name(DeviceToSkypeCmd::kProgramName);
  const std::string expected =
      "#" + std::to_string(cmd.GetId()) + " NAME QAV - Answering Machine for Skype\xE2\x84\xA2 users" + std::string(1, '\0');
  EXPECT_EQ(cmd.GetWireBytes(), expected);
  EXPECT_EQ(cmd.GetText().size() + 2, expected.size() - 1);  // "™" is one unit, three bytes
}

TEST(DeviceToSkypeCmd, LongTextIsCutAt1023UnitsWithoutSplittingAPair) {
  const std::u16string emoji = u"\U0001F600";  // the surrogate pair D83D DE00
  // Each body is made from `room`, the number of units that brings the command to exactly 1023.
  const struct {
    const char* name;
    std::function<std::u16string(size_t room)> body;
    size_t expectedLength;
    char16_t lastUnit;
  } cases[] = {
      {"fits exactly", [](size_t room) { return std::u16string(room, u'x'); }, 1023, u'x'},
      {"one over", [](size_t room) { return std::u16string(room, u'x') + u"y"; }, 1023, u'x'},
      {"far over", [](size_t) { return std::u16string(5000, u'x'); }, 1023, u'x'},
      {"pair across the cut", [&](size_t room) { return std::u16string(room - 1, u'x') + emoji; }, 1022, u'x'},
      {"pair ends at the cut", [&](size_t room) { return std::u16string(room - 2, u'x') + emoji; }, 1023, 0xDE00},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DeviceToSkypeCmd probe;
    probe.Ping();
    const size_t prefix = qav::Format(u"#%d MESSAGE caller1 ", probe.GetId() + 2).size();
    DeviceToSkypeCmd cmd;
    cmd.Message(u"caller1", c.body(1023 - prefix));
    ASSERT_EQ(cmd.GetId(), probe.GetId() + 2);
    EXPECT_EQ(cmd.GetText().size(), c.expectedLength);
    EXPECT_EQ(cmd.GetText().back(), c.lastUnit);
    EXPECT_EQ(cmd.GetWireBytes().find("\xEF\xBF\xBD"), std::string::npos);  // no U+FFFD from a lone half
  }
}

TEST(DeviceToSkypeCmd, CopiesKeepEveryField) {
  DeviceToSkypeCmd cmd;
  cmd.Message(u"caller1", u"hello");
  cmd.SetSendCount(2);
  cmd.SetLastSendTimeMs(1'234'567'890'123);
  const DeviceToSkypeCmd copy(cmd);
  DeviceToSkypeCmd assigned;
  assigned.Ping();
  assigned = cmd;
  for (const DeviceToSkypeCmd* c : {&copy, static_cast<const DeviceToSkypeCmd*>(&assigned)}) {
    EXPECT_EQ(c->GetId(), cmd.GetId());
    EXPECT_EQ(c->GetCmdIndex(), SkypeCmd::MESSAGE);
    EXPECT_EQ(c->GetText(), cmd.GetText());
    EXPECT_EQ(c->GetSendCount(), 2);
    EXPECT_EQ(c->GetLastSendTimeMs(), 1'234'567'890'123);
  }
  cmd.Reset();
  EXPECT_TRUE(cmd.GetText().empty());
  EXPECT_EQ(cmd.GetSendCount(), 0);
  EXPECT_EQ(cmd.GetLastSendTimeMs(), 0);
}

TEST(DeviceToSkypeCmd, AReplyMatchesByIdOnly) {
  DeviceToSkypeCmd cmd;
  cmd.GetCall(1234, SkypeCallProp::STATUS);
  const std::u16string id = qav::Format(u"%d", cmd.GetId());
  const std::u16string other = qav::Format(u"%d", cmd.GetId() + 2);
  const struct {
    std::u16string line;
    bool answers;
  } cases[] = {
      {u"#" + id + u" CALL 1234 STATUS RINGING", true},
      {u"#" + id + u" OK", true},  // unreadable, but its id still answers the command
      {u"#" + other + u" CALL 1234 STATUS RINGING", false},
      {u"CALL 1234 STATUS RINGING", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(qav::U8(c.line));
    SkypeToDeviceCmd received;
    try {
      received.Parse(c.line);
    } catch (const qav::SkypeProtocolError&) {
    }
    EXPECT_EQ(cmd.IsReplyTo(received), c.answers);
  }
  EXPECT_FALSE(cmd.IsReplyTo(-1));
}

TEST(DeviceToSkypeCmd, IdsStayDistinctAcrossThreads) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 5000;
  std::vector<std::vector<int32_t>> ids(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&ids, t] {
      DeviceToSkypeCmd cmd;
      for (int i = 0; i < kPerThread; ++i) {
        cmd.GetUserStatus();
        ids[t].push_back(cmd.GetId());
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<int32_t> all;
  for (const auto& list : ids) all.insert(list.begin(), list.end());
  EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kPerThread));
}

}  // namespace
