// The simulated call client's answers to the program's commands, and its calls from ringing to
// their end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "sim/call_client_model.h"

using namespace qav;
using namespace qav::sim;

namespace {

using Lines = CallClientModel::Lines;

struct Route {
  int32_t call;
  SimAudioDirection direction;
  SimAudioRoute route;
  bool operator==(const Route&) const = default;
};

class RecordingAudio : public CallClientAudio {
 public:
  void OnAudioRoute(const SimCall& call, SimAudioDirection direction, const SimAudioRoute& route) override {
    routes.push_back({call.id, direction, route});
  }
  void OnCallEnded(const SimCall& call) override { ended.push_back(call.id); }
  std::vector<Route> routes;
  std::vector<int32_t> ended;
};

class CallClientModelTest : public ::testing::Test {
 protected:
  CallClientModelTest() : model_(clock_) {
    model_.SetAudio(&audio_);
    model_.SetUserProperty("caller1", "FULLNAME", "Sample Caller");
    model_.SetUserProperty("caller1", "DISPLAYNAME", "Sam");
  }
  Lines Ring(int32_t id, const std::string& type = "INCOMING_P2P") {
    Lines lines;
    EXPECT_EQ(model_.Ring(id, "caller1", type, "", &lines), "");
    return lines;
  }
  VirtualClock clock_;
  RecordingAudio audio_;
  CallClientModel model_;
};

TEST_F(CallClientModelTest, AnswersEachCommandAsTheClientDoes) {
  Ring(1234);
  clock_.AdvanceMs(60000);
  struct Row {
    std::string command;
    Lines lines;
  };
  const Row rows[] = {
      {"PING", {"PONG"}},
      {"#1 NAME QAV - Answering Machine for Skype\xe2\x84\xa2 users", {"#1 OK"}},
      {"#3 PROTOCOL 8", {"#3 PROTOCOL 8"}},
      {"#5 PROTOCOL 99", {"#5 PROTOCOL 8"}},
      {"#7 PROTOCOL x", {"#7 ERROR 27 Invalid protocol version"}},
      {"#9 GET USERSTATUS", {"#9 USERSTATUS ONLINE"}},
      {"#11 GET CURRENTUSERHANDLE", {"#11 CURRENTUSERHANDLE owner.one"}},
      {"#13 GET CONNSTATUS", {"#13 CONNSTATUS ONLINE"}},
      {"#15 GET AUDIO_IN", {"#15 AUDIO_IN Simulated Microphone"}},
      {"#17 GET AUDIO_OUT", {"#17 AUDIO_OUT Simulated Speakers"}},
      {"#19 GET VIDEO_IN", {"#19 VIDEO_IN "}},
      {"#21 SET VIDEO_IN Vidralux Capture", {"#21 VIDEO_IN Vidralux Capture"}},
      {"#23 GET VIDEO_IN", {"#23 VIDEO_IN Vidralux Capture"}},
      {"#25 GET USER caller1 FULLNAME", {"#25 USER caller1 FULLNAME Sample Caller"}},
      {"#27 GET USER caller1 BUDDYSTATUS", {"#27 USER caller1 BUDDYSTATUS 3"}},
      {"#29 GET USER stranger BUDDYSTATUS", {"#29 USER stranger BUDDYSTATUS 0"}},
      {"#31 GET USER +4930123456 ONLINESTATUS", {"#31 USER +4930123456 ONLINESTATUS SKYPEOUT"}},
      {"#33 GET USER caller1 IS_VIDEO_CAPABLE", {"#33 USER caller1 IS_VIDEO_CAPABLE FALSE"}},
      {"#35 GET USER caller1 SHOESIZE", {"#35 ERROR 10 Invalid property"}},
      {"#37 GET USER  FULLNAME", {"#37 ERROR 8 Invalid user handle"}},
      {"#39 GET CALL 1234 STATUS", {"#39 CALL 1234 STATUS RINGING"}},
      {"#41 GET CALL 1234 TYPE", {"#41 CALL 1234 TYPE INCOMING_P2P"}},
      {"#43 GET CALL 1234 PARTNER_HANDLE", {"#43 CALL 1234 PARTNER_HANDLE caller1"}},
      {"#45 GET CALL 1234 PARTNER_DISPNAME", {"#45 CALL 1234 PARTNER_DISPNAME Sam"}},
      {"#47 GET CALL 1234 OUTPUT", {"#47 CALL 1234 OUTPUT SOUNDCARD=\"default\""}},
      {"#49 GET CALL 1234 ANSWER", {"#49 ERROR 13 Invalid property"}},
      {"#51 GET CALL 99 STATUS", {"#51 ERROR 12 Unknown call"}},
      {"#53 GET CALL 12a STATUS", {"#53 ERROR 11 Invalid call id"}},
      {"#55 GET NOTHING", {"#55 ERROR 7 GET: invalid WHAT"}},
      {"#57 MESSAGE caller1 Hello, I am away", {"#57 CHATMESSAGE 5001 STATUS SENDING", "CHATMESSAGE 5001 STATUS SENT"}},
      {"#59 OPEN IM caller1 hello there", {"#59 OPEN IM caller1 hello there"}},
      {"#61 OPEN USERINFO caller1", {"#61 OPEN USERINFO caller1"}},
      {"#63 OPEN NOWHERE", {"#63 ERROR 69 OPEN: invalid WHAT"}},
      {"#65 CALL someone", {"#65 CALL 2001 STATUS UNPLACED", "CALL 2001 STATUS ROUTING", "CALL 2001 STATUS RINGING"}},
      {"#67 SET USERSTATUS AWAY", {"#67 USERSTATUS AWAY"}},
      {"#69 SET USERSTATUS SLEEPING", {"#69 ERROR 28 Unknown userstatus"}},
      {"#71 FROBNICATE", {"#71 ERROR 2 Unknown command"}},
      {"get userstatus", {"USERSTATUS AWAY"}},
      {"", {"ERROR 2 Unknown command"}},
      {"#73", {"#73 ERROR 2 Unknown command"}},
  };
  for (const Row& row : rows) EXPECT_EQ(model_.Answer(row.command), row.lines) << row.command;
  ASSERT_EQ(model_.Chats().size(), 1u);
  EXPECT_EQ(model_.Chats()[0].to, "caller1");
  EXPECT_EQ(model_.Chats()[0].text, "Hello, I am away");
  EXPECT_EQ(model_.ProgramName(), "QAV - Answering Machine for Skype\xe2\x84\xa2 users");
}

TEST_F(CallClientModelTest, ACallGoesFromRingingToItsEnd) {
  // Each row: what happens (a command from the program, or "caller hangs up"), the lines it gives
  // and the call's status afterwards.
  struct Row {
    std::string event;
    Lines lines;
    std::string status;
  };
  struct Story {
    const char* name;
    std::vector<Row> rows;
  };
  const Story stories[] = {
      {"answered, then the caller hangs up",
       {{"#1 ALTER CALL 1234 ANSWER", {"#1 ALTER CALL 1234 ANSWER", "CALL 1234 STATUS INPROGRESS"}, "INPROGRESS"},
        {"#3 ALTER CALL 1234 ANSWER", {"#3 ERROR 24 Action not possible in the call's status"}, "INPROGRESS"},
        {"caller hangs up", {"CALL 1234 STATUS FINISHED"}, "FINISHED"},
        {"#5 ALTER CALL 1234 HANGUP", {"#5 ERROR 24 Action not possible in the call's status"}, "FINISHED"}}},
      {"answered, then the program hangs up",
       {{"#1 ALTER CALL 1234 ANSWER", {"#1 ALTER CALL 1234 ANSWER", "CALL 1234 STATUS INPROGRESS"}, "INPROGRESS"},
        {"#3 ALTER CALL 1234 HOLD", {"#3 ALTER CALL 1234 HOLD", "CALL 1234 STATUS LOCALHOLD"}, "LOCALHOLD"},
        {"#5 ALTER CALL 1234 RESUME", {"#5 ALTER CALL 1234 RESUME", "CALL 1234 STATUS INPROGRESS"}, "INPROGRESS"},
        {"#7 ALTER CALL 1234 HANGUP", {"#7 ALTER CALL 1234 HANGUP", "CALL 1234 STATUS FINISHED"}, "FINISHED"}}},
      {"not answered", {{"caller hangs up", {"CALL 1234 STATUS MISSED"}, "MISSED"}}},
      {"refused while ringing",
       {{"#1 ALTER CALL 1234 END HANGUP", {"#1 ALTER CALL 1234 END HANGUP", "CALL 1234 STATUS REFUSED"}, "REFUSED"}}},
      {"an action the client does not take",
       {{"#1 ALTER CALL 1234 DTMF_SEND 5", {"#1 ERROR 21 Unknown or disallowed call action"}, "RINGING"},
        {"#3 ALTER CALL 1234 START_VIDEO_SEND", {"#3 ERROR 24 Action not possible in the call's status"}, "RINGING"},
        {"#5 ALTER CALL 77 ANSWER", {"#5 ERROR 12 Unknown call"}, "RINGING"}}},
  };
  for (const Story& story : stories) {
    SCOPED_TRACE(story.name);
    EXPECT_EQ(Ring(1234), Lines{"CALL 1234 STATUS RINGING"});
    for (const Row& row : story.rows) {
      Lines lines;
      if (row.event == "caller hangs up") {
        EXPECT_EQ(model_.CallerHangsUp(1234, &lines), "");
      } else {
        lines = model_.Answer(row.event);
      }
      EXPECT_EQ(lines, row.lines) << row.event;
      EXPECT_EQ(model_.FindCall(1234)->status, row.status) << row.event;
    }
  }
  EXPECT_EQ(audio_.ended, (std::vector<int32_t>{1234, 1234, 1234, 1234}));
  Lines lines;
  EXPECT_NE(model_.Ring(1234, "caller1", "INCOMING_PSTN", "", &lines), "");  // still ringing
  EXPECT_EQ(model_.CallerHangsUp(1234, &lines), "");
  EXPECT_NE(model_.CallerHangsUp(1234, &lines), "");
  EXPECT_NE(model_.Ring(1235, "caller1", "OUTGOING_P2P", "", &lines), "");
  EXPECT_EQ(model_.Ring(1234, "caller1", "INCOMING_PSTN", "", &lines), "");  // the id is free again
}

TEST_F(CallClientModelTest, RoutingCommandsReachTheAudioSideWithTheCallAndPort) {
  Ring(1234);
  model_.Answer("#1 ALTER CALL 1234 ANSWER");
  EXPECT_EQ(model_.Answer("#3 ALTER CALL 1234 SET_OUTPUT PORT=\"5001\""),
            Lines{"#3 ALTER CALL 1234 SET_OUTPUT PORT=\"5001\""});
  EXPECT_EQ(model_.Answer("#5 ALTER CALL 1234 SET_INPUT SOUNDCARD=\"default\", PORT=\"5002\""),
            Lines{"#5 ALTER CALL 1234 SET_INPUT SOUNDCARD=\"default\", PORT=\"5002\""});
  EXPECT_EQ(model_.Answer("#7 ALTER CALL 1234 SET_OUTPUT PORT=5001"),
            Lines{"#7 ERROR 21 Unknown or disallowed call action"});
  EXPECT_EQ(model_.Answer("#9 GET CALL 1234 OUTPUT"), Lines{"#9 CALL 1234 OUTPUT PORT=\"5001\""});
  model_.Answer("#11 ALTER CALL 1234 SET_OUTPUT SOUNDCARD=\"default\"");
  const std::vector<Route> expected = {
      {1234, SimAudioDirection::kOutput, {false, 5001, ""}},
      {1234, SimAudioDirection::kInput, {true, 5002, ""}},
      {1234, SimAudioDirection::kOutput, {true, 0, ""}},
  };
  EXPECT_EQ(audio_.routes, expected);
}

TEST(SimAudioRouteTest, ReadsTheRoutingListStrictly) {
  struct Row {
    const char* list;
    std::optional<SimAudioRoute> route;
  };
  const Row rows[] = {
      {"PORT=\"5001\"", SimAudioRoute{false, 5001, ""}},
      {"SOUNDCARD=\"default\"", SimAudioRoute{true, 0, ""}},
      {"SOUNDCARD=\"default\", PORT=\"65535\"", SimAudioRoute{true, 65535, ""}},
      {"soundcard=\"default\",PORT=\"1\"", SimAudioRoute{true, 1, ""}},
      {"FILE=\"/tmp/a, b.wav\"", SimAudioRoute{false, 0, "/tmp/a, b.wav"}},
      {"", std::nullopt},
      {"PORT=\"0\"", std::nullopt},
      {"PORT=\"65536\"", std::nullopt},
      {"PORT=\"+5001\"", std::nullopt},
      {"PORT=5001", std::nullopt},
      {"SOUNDCARD=\"other\"", std::nullopt},
      {"PORT=\"5001\",", std::nullopt},
      {"PORT=\"5001\" PORT=\"5002\"", std::nullopt},
      {"SPEAKERS=\"on\"", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(ParseSimAudioRoute(row.list), row.route) << row.list;
  EXPECT_EQ((SimAudioRoute{true, 5001, ""}).ToText(), "SOUNDCARD=\"default\", PORT=\"5001\"");
}

}  // namespace
