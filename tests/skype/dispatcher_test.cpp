#include "skype/dispatcher/skype_msg_hndl.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "calls/call.h"
#include "calls/call_collection.h"
#include "calls/call_fsm_states.h"
#include "calls/message.h"
#include "foundation/settings.h"
#include "skype/dispatcher/skype_msg_hndl_host.h"
#include "skype/link/skype_client_info.h"
#include "skype/link/skype_to_device_cmd.h"
#include "tests/skype/recording_host.h"
#include "tests/support/call_model_fixture.h"

namespace {

using qav::test::CallModelFixture;
using qav::test::RecordingHost;
using qav::test::RecordingMainWindow;
using qav::test::RecordingTransport;
using Commands = std::vector<std::u16string>;
using Posted = RecordingMainWindow::Posted;

class DispatcherTest : public CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SetInstalledSkypeVersion(0x03060000);
    auto owned = std::make_unique<RecordingTransport>();
    link = owned.get();
    ASSERT_EQ(dispatcher.StartSTL(std::move(owned)), 1);
    EXPECT_EQ(link->Calls(), (std::vector<std::string>{"Init(1)", "Connect"}));
    EXPECT_EQ(link->StateCallback(), &dispatcher);
    EXPECT_EQ(link->ReceivedCallback(), &dispatcher);
    link->Clear();
  }

  void Receive(std::u16string_view line) {
    SkypeToDeviceCmd received;
    received.Parse(line);
    dispatcher.OnReceivedSkypeCmd(received);
    virtualLoop.RunUntilIdle();
  }
  void State(int32_t state) {
    dispatcher.OnConnectionStageChangeNotify(state);
    virtualLoop.RunUntilIdle();
  }
  // Signs the user in as the client would report it, and forgets what that asked.
  void SignInThroughTheClient(std::u16string_view handle) {
    Receive(u"CURRENTUSERHANDLE " + std::u16string(handle));
    Receive(u"USERSTATUS ONLINE");
    link->Clear();
    host.calls.clear();
    mainWindow.Clear();
  }
  Commands Sent() { return link->TakeSent(); }

  RecordingHost host;
  CSkypeMsgHndl dispatcher{virtualLoop.loop(), host};
  RecordingTransport* link = nullptr;
};

const std::u16string kName = u"NAME QAV - Answering Machine for Skype\u2122 users";

TEST_F(DispatcherTest, TheFirstConnectionAsksForTheUserAndLaterOnesOnlyNameTheProgram) {
  State(7);
  EXPECT_EQ(Sent(), (Commands{kName, u"PROTOCOL 8", u"GET USERSTATUS", u"GET CURRENTUSERHANDLE"}));
  State(7);
  EXPECT_EQ(Sent(), (Commands{kName, u"PROTOCOL 8"}));
  EXPECT_EQ(mainWindow.Count(kMainWindowTimerMessage), 2u);

  mainWindow.Clear();
  State(1);
  EXPECT_EQ(recordings.deleteAllCount, 1);
  EXPECT_EQ(host.TakeCalls(), (std::vector<std::string>{"refresh"}));
  EXPECT_EQ(mainWindow.Posts(), (std::vector<Posted>{{kMainWindowTimerMessage, kMainWindowTimerTrayIcon, 0},
                                                     {UM_UPDATEDLG, kPageAll, 0}}));
  State(7);
  EXPECT_EQ(Sent(), (Commands{kName, u"PROTOCOL 8", u"GET USERSTATUS", u"GET CURRENTUSERHANDLE"}));
}

TEST_F(DispatcherTest, ATooOldClientClosesTheProgramWithoutAWord) {
  struct Case {
    int32_t installed;
    int32_t required;
    int32_t openPage;
    std::vector<std::string> host;
  };
  const std::string box =
      "box: Please update your Skype\u2122 application version so QAV can work properly on this computer.\n\n"
      "This is a QAV BETA version that requiers Skype 2.6 (BETA)";
  const Case cases[] = {
      {0x02060000, kSkypeMinimumVersion, 1, {"open https://www.skype.com/en/get-skype/", box, "close"}},
      {0x02060000, kSkypeMinimumVersion, 0, {box, "close"}},
      {0x03000000, 0x03050000, 0, {box, "close"}},  // the video driver raised the requirement
  };
  for (const Case& c : cases) {
    SetInstalledSkypeVersion(c.installed);
    SetRequiredSkypeVersion(c.required);
    g_OpenSkypeDotComWhenMissingSkype = c.openPage;
    State(7);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(host.TakeCalls(), c.host);
  }
}

TEST_F(DispatcherTest, RefusedOrMissingApiDisconnectsAndTheNextConnectionIsAnnouncedOnce) {
  State(2);
  State(3);
  EXPECT_EQ(link->Calls(), (std::vector<std::string>{"Disconnect", "Disconnect"}));
  State(4);
  EXPECT_EQ(link->Calls().back(), "Connect");
  State(5);
  EXPECT_TRUE(log.Has(LOG_INFO, u"!!! check it out (5)"));
  State(7);
  State(7);
  std::vector<Posted> balloons;
  for (const Posted& post : mainWindow.Posts()) {
    if (post.message != kMainWindowTimerMessage) balloons.push_back(post);
  }
  EXPECT_EQ(balloons, (std::vector<Posted>{{UM_BALLOONTIP, 2042, 30000},
                                           {UM_BALLOONTIPIFALLOWED, 2155, 30000},
                                           {UM_BALLOONTIPIFALLOWED, 2156, 10}}));
}

TEST_F(DispatcherTest, ANewCurrentUserLoadsEverythingOfTheUserOnce) {
  std::filesystem::create_directories(temp_.path() + "/QAV/me");
  ASSERT_TRUE(qav::test::WriteFileBytes(temp_.path() + "/QAV/me/QAV.ini", "[Settings]\nSecB4AnsweringOnline=42\n"));
  CSettingsHooks hooks;
  hooks.currentUserHandle = [] { return GetCurrentUserHandleCopy(); };
  SetSettingsHooks(hooks);
  host.videoDriver = true;

  Receive(u"CURRENTUSERHANDLE me");
  EXPECT_EQ(Sent(), (Commands{u"GET USER me FULLNAME", u"GET USER me DISPLAYNAME", u"GET USER me ONLINESTATUS",
                              u"GET USER me BUDDYSTATUS", u"GET USERSTATUS", u"GET USER me LANGUAGE",
                              u"GET CONNSTATUS", u"GET AUDIO_IN", u"GET AUDIO_OUT", u"GET VIDEO_IN"}));
  EXPECT_EQ(host.TakeCalls(), (std::vector<std::string>{"wait cursor", "greeting for contacts", "greeting for others",
                                                        "refresh", "end wait cursor"}));
  EXPECT_EQ(recordings.loads, (std::vector<std::u16string>{u"me"}));
  EXPECT_EQ(g_UserCollection.Lookup(u"me"), &g_CurrentUser);
  EXPECT_EQ(GetCurrentUserHandleCopy(), u"me");
  EXPECT_EQ(g_SecB4AnsweringOnline, 42);  // the user's own settings file was read
  // The client's answer gives the user's language; another user's is nobody's concern here.
  Receive(u"USER me LANGUAGE de German");
  Receive(u"USER ann LANGUAGE fr French");
  EXPECT_EQ(g_CurrentUser.GetLanguage(), u"de German");
  EXPECT_EQ(g_UserCollection.Lookup(u"ann")->GetLanguage(), u"");
  (void)Sent();

  Receive(u"CURRENTUSERHANDLE me");
  EXPECT_EQ(Sent(), (Commands{u"GET CONNSTATUS", u"GET AUDIO_IN", u"GET AUDIO_OUT", u"GET VIDEO_IN"}));
  EXPECT_TRUE(host.TakeCalls().empty());
  EXPECT_EQ(recordings.loads.size(), 1u);
  SetSettingsHooks({});
}

TEST_F(DispatcherTest, AnotherUserClearsTheFirstOnesObjectsButKeepsTheContacts) {
  SignInThroughTheClient(u"me");
  Receive(u"USERS caller1");
  Receive(u"CALL 5 STATUS RINGING");
  ASSERT_NE(g_CallCollection.Get(5), nullptr);
  host.buddyGreeting = 0;
  host.otherGreeting = 0;

  Receive(u"CURRENTUSERHANDLE other");
  EXPECT_EQ(recordings.deleteAllCount, 1);
  EXPECT_TRUE(g_CallCollection.IsEmpty());
  EXPECT_EQ(g_UserCollection.Lookup(u"me"), nullptr);
  EXPECT_NE(g_UserCollection.Lookup(u"caller1"), nullptr);
  EXPECT_EQ(g_UserCollection.Lookup(u"other"), &g_CurrentUser);
  const std::vector<std::string> calls = host.TakeCalls();
  ASSERT_EQ(calls.size(), 8u);
  EXPECT_EQ(calls[0], "refresh");  // the first user's objects are gone before the new ones load
  EXPECT_EQ(calls[3], "stop box: " + qav::U8(GetLangString(1020)));
  EXPECT_EQ(calls[5], "stop box: " + qav::U8(GetLangString(1021)));
  EXPECT_EQ(recordings.loads, (std::vector<std::u16string>{u"me", u"other"}));
}

TEST_F(DispatcherTest, AContactReplacedByTheCurrentUserTakesItsCallsAlong) {
  CUser* contact = g_UserCollection.FindOrCreate(u"me");
  auto call = std::make_unique<CCall>();
  call->InitMessage(-3001, contact, 0);
  CCall* rebuilt = call.get();
  g_CallCollection.Add(std::move(call));
  Receive(u"CURRENTUSERHANDLE me");
  EXPECT_EQ(rebuilt->GetPartner(), &g_CurrentUser);  // not the deleted contact
  EXPECT_EQ(g_UserCollection.Lookup(u"me"), &g_CurrentUser);
}

TEST_F(DispatcherTest, CallLinesForUnknownCallsOnlyStartACallWhenItRings) {
  Receive(u"CALL 77 STATUS RINGING");  // nobody signed in yet
  EXPECT_TRUE(g_CallCollection.IsEmpty());
  EXPECT_TRUE(log.Has(LOG_INFO, u"No Current User not Registered - CallId[77] events being discarded"));

  SignInThroughTheClient(u"me");
  for (const char16_t* line : {u"CALL 77 CONF_ID 0", u"CALL 77 STATUS INPROGRESS", u"CALL 77 TYPE INCOMING_P2P",
                               u"CALL -3001 STATUS RINGING", u"CALL 0 STATUS RINGING", u"CALL x STATUS RINGING"}) {
    Receive(line);
    EXPECT_TRUE(g_CallCollection.IsEmpty()) << qav::U8(line);
  }
  EXPECT_TRUE(log.Has(LOG_INFO, u"Unrecognized CallId[77] being discarded"));
  EXPECT_TRUE(Sent().empty());

  Receive(u"CALL 77 STATUS RINGING");
  CCall* call = g_CallCollection.Get(77);
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(Sent(), (Commands{u"GET AUDIO_IN", u"GET AUDIO_OUT", u"GET CALL 77 TYPE"}));
  Receive(u"CALL 78 STATUS ROUTING");
  EXPECT_EQ(Sent(), (Commands{u"GET AUDIO_IN", u"GET AUDIO_OUT", u"GET CALL 78 PARTNER_HANDLE", u"GET CALL 78 TYPE",
                              u"GET CALL 78 STATUS"}));
  Receive(u"CALL 78 STATUS INPROGRESS");
  Sent();
  Receive(u"CALL 79 STATUS RINGING");  // a call is in progress: the devices are known
  EXPECT_EQ(Sent(), (Commands{u"GET CALL 79 TYPE"}));
}

TEST_F(DispatcherTest, AnEndStatusDeletesACallThatHoldsNoRecording) {
  SignInThroughTheClient(u"me");
  const std::u16string ends[] = {u"UNPLACED", u"FAILED", u"FINISHED", u"MISSED", u"REFUSED", u"BUSY", u"CANCELLED"};
  for (const std::u16string& end : ends) {
    Receive(u"CALL 7 STATUS RINGING");
    Receive(u"CALL 7 STATUS " + end);
    EXPECT_EQ(g_CallCollection.Get(7), nullptr) << qav::U8(end);
  }
  Receive(u"CALL 8 STATUS RINGING");
  g_CallCollection.Get(8)->SetCallWaitingMarker(true);
  Receive(u"CALL 8 STATUS FINISHED");
  EXPECT_NE(g_CallCollection.Get(8), nullptr);
  Receive(u"CALL 8 STATUS ONHOLD");  // not an end status: the call stays in any case
  EXPECT_NE(g_CallCollection.Get(8), nullptr);
}

TEST_F(DispatcherTest, ARungCallRunsThroughTheStateMachine) {
  SignInThroughTheClient(u"me");
  Receive(u"CALL 77 STATUS RINGING");
  Receive(u"CALL 77 TYPE INCOMING_P2P");
  Receive(u"CALL 77 PARTNER_HANDLE caller1");
  CCall* call = g_CallCollection.Get(77);
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->GetState(), ST_WAIT_ANSWERING_TIMER_EXPIRE);
  EXPECT_EQ(call->GetPartner(), g_UserCollection.Lookup(u"caller1"));
  Sent();
  virtualLoop.AdvanceMs(15010);
  EXPECT_EQ(Sent(), (Commands{u"ALTER CALL 77 ANSWER"}));
  Receive(u"CALL 77 STATUS INPROGRESS");
  EXPECT_EQ(call->GetState(), ST_MESSAGE_RECORDING);
  Receive(u"CALL 77 STATUS FINISHED");
  // The call keeps its voice message, and the message keeps the call in the collection.
  ASSERT_EQ(g_CallCollection.Get(77), call);
  EXPECT_EQ(call->GetState(), ST_CALL_DONE);
  ASSERT_NE(call->GetMessage(), nullptr);
  EXPECT_EQ(call->GetMessage()->GetDuration(), audio.messageSeconds);
  EXPECT_EQ(engine().GetPendingCount(), 0u);
}

// The callers of the stored voice messages are asked about when the link is idle. One who rings
// before the client has answered those questions is asked about again at once, and once the
// client says it is a contact, its call is answered although strangers' calls are not.
TEST_F(DispatcherTest, AStoredCallerWhoRingsBeforeItIsKnownIsAskedAboutAtOnce) {
  const std::string messages = temp_.path() + "/QAV/My Received Voice Messages/me/";
  std::filesystem::create_directories(messages);
  ASSERT_TRUE(qav::test::WriteFileBytes(messages + "caller1.2024.03.05.14.07.09.5.s.wav", "RIFF"));
  const Commands questions{u"GET USER caller1 FULLNAME", u"GET USER caller1 DISPLAYNAME",
                           u"GET USER caller1 ONLINESTATUS", u"GET USER caller1 BUDDYSTATUS"};
  Receive(u"CURRENTUSERHANDLE me");
  EXPECT_EQ(link->TakeIdle(), questions);
  Receive(u"USERSTATUS ONLINE");
  g_UseNonAuthorizedCallerSettings = 1;
  g_DisableAnswerOfNonAuthCaller = 1;
  Receive(u"CALL 77 STATUS RINGING");
  Receive(u"CALL 77 TYPE INCOMING_P2P");
  Sent();
  Receive(u"CALL 77 PARTNER_HANDLE caller1");
  EXPECT_EQ(Sent(), questions);
  EXPECT_TRUE(link->TakeIdle().empty());
  Receive(u"USER caller1 BUDDYSTATUS 3");
  Receive(u"CALL 77 PARTNER_HANDLE caller1");  // known now: nothing more to ask
  EXPECT_TRUE(Sent().empty());
  virtualLoop.AdvanceMs(15010);
  EXPECT_EQ(Sent(), (Commands{u"ALTER CALL 77 ANSWER"}));
}

TEST_F(DispatcherTest, ContactListsAndUserLines) {
  SignInThroughTheClient(u"me");
  g_UserCollection.FindOrCreate(u"known");
  link->Clear();
  Receive(u"USERS caller1, +, known,  caller2 ,");
  const Commands questions{u"GET USER caller1 FULLNAME",    u"GET USER caller1 DISPLAYNAME",
                           u"GET USER caller1 ONLINESTATUS", u"GET USER caller1 BUDDYSTATUS",
                           u"GET USER caller2 FULLNAME",    u"GET USER caller2 DISPLAYNAME",
                           u"GET USER caller2 ONLINESTATUS", u"GET USER caller2 BUDDYSTATUS"};
  EXPECT_EQ(Sent(), questions);
  EXPECT_EQ(link->TakeIdle(), questions);  // a whole list gives way to the calls' commands
  EXPECT_EQ(g_UserCollection.Lookup(u"+"), nullptr);

  Receive(u"CALLS 12, 13, junk");
  EXPECT_EQ(Sent(), (Commands{u"GET CALL 12 STATUS", u"GET CALL 13 STATUS"}));

  Receive(u"USER caller1 FULLNAME Ann Example");
  Receive(u"USER caller1 DISPLAYNAME Ann");
  Receive(u"USER caller1 BUDDYSTATUS 3");
  Receive(u"USER caller1 ONLINESTATUS AWAY");
  Receive(u"USER caller1 IS_VIDEO_CAPABLE TRUE");  // only "True" as written is true
  EXPECT_FALSE(g_UserCollection.Lookup(u"caller1")->IsVideoCapable());
  Receive(u"USER caller1 IS_VIDEO_CAPABLE True");
  Receive(u"USER caller1 LASTONLINETIMESTAMP 99999999999999999999999");
  Receive(u"USER caller1 LASTONLINETIMESTAMP -5");
  Receive(u"USER me DISPLAYNAME Myself");
  const CUser* ann = g_UserCollection.Lookup(u"caller1");
  EXPECT_EQ(ann->GetFullName(), u"Ann Example");
  EXPECT_EQ(ann->GetDisplayName(), u"Ann");
  EXPECT_TRUE(ann->IsBuddy());
  EXPECT_EQ(ann->GetUserStatus(), SkypeOnlineStatus::AWAY);
  EXPECT_TRUE(ann->IsVideoCapable());
  EXPECT_EQ(ann->GetLastOnlineTimestamp(), 0);
  EXPECT_TRUE(log.Has(LOG_INFO, u"Current Username Displayname: Myself"));

  Receive(u"USER  FULLNAME Nobody");
  EXPECT_TRUE(log.Has(LOG_INFO, u"Skype2DeviceMsgHandleUser: Got Empty username in S2D cmd"));
  Receive(u"USER stranger FULLNAME Someone");  // an unknown handle becomes a contact
  EXPECT_EQ(g_UserCollection.Lookup(u"stranger")->GetFullName(), u"Someone");
}

TEST_F(DispatcherTest, TheUsersOwnStatusAndLoggingOut) {
  Receive(u"USERSTATUS AWAY");  // no user known yet: ask who it is
  EXPECT_EQ(Sent(), (Commands{u"GET CURRENTUSERHANDLE"}));
  EXPECT_EQ(g_CurrentUser.GetUserStatus(), SkypeOnlineStatus::AWAY);
  EXPECT_EQ(mainWindow.Count(kMainWindowTimerMessage), 1u);

  SignInThroughTheClient(u"me");
  Receive(u"USERSTATUS LOGGEDOUT");
  EXPECT_EQ(g_CurrentUser.GetHandle(), u"");
  EXPECT_EQ(g_UserCollection.Lookup(u"me"), nullptr);
  EXPECT_EQ(recordings.deleteAllCount, 1);

  SignInThroughTheClient(u"me");
  Receive(u"CONNSTATUS ONLINE");
  EXPECT_EQ(g_CurrentUser.GetHandle(), u"me");
  Receive(u"CONNSTATUS LOGGEDOUT");
  EXPECT_EQ(g_CurrentUser.GetHandle(), u"");
  EXPECT_EQ(recordings.deleteAllCount, 2);
}

TEST_F(DispatcherTest, DevicesAreRememberedAndTheWebcamDeviceIsGivenBack) {
  host.videoDriver = true;
  SignInThroughTheClient(u"me");
  Receive(u"AUDIO_IN Microphone (USB)");
  Receive(u"AUDIO_OUT Speakers");
  Receive(u"VIDEO_IN Laptop Camera");
  EXPECT_EQ(GetSkypeAudioInDevice(), u"Microphone (USB)");
  EXPECT_EQ(GetSkypeAudioOutDevice(), u"Speakers");
  EXPECT_EQ(GetSkypeUserVideoInDevice(), u"Laptop Camera");
  EXPECT_TRUE(Sent().empty());

  Receive(u"VIDEO_IN Vidralux Capture");
  EXPECT_EQ(Sent(), (Commands{u"SET VIDEO_IN Laptop Camera"}));
  EXPECT_EQ(GetSkypeUserVideoInDevice(), u"Laptop Camera");

  // While a call is answered for a message the greeting may be showing: leave the device.
  Receive(u"CALL 7 STATUS RINGING");
  Receive(u"CALL 7 TYPE INCOMING_P2P");
  Receive(u"CALL 7 PARTNER_HANDLE caller1");
  virtualLoop.AdvanceMs(15010);
  ASSERT_TRUE(g_CallCollection.Get(7)->IsMessageState());
  Sent();
  Receive(u"VIDEO_IN Vidralux Capture");
  EXPECT_TRUE(Sent().empty());
}

// A device notification is answered with at most one command, so no client can draw the program
// into an endless exchange: an empty VIDEO_IN (which real clients send) is a device like any other,
// and a client that stays on the program's device after being asked to leave it is asked again
// only once it has shown another device.
TEST_F(DispatcherTest, VideoDeviceNotificationsNeverStartAnExchange) {
  SignInThroughTheClient(u"me");
  for (bool webcam : {false, true}) {
    SCOPED_TRACE(webcam);
    host.videoDriver = webcam;
    Receive(u"VIDEO_IN");
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(GetSkypeUserVideoInDevice(), u"");
  }
  Receive(u"VIDEO_IN Laptop Camera");
  Receive(u"VIDEO_IN Vidralux Capture");
  EXPECT_EQ(Sent(), (Commands{u"SET VIDEO_IN Laptop Camera"}));
  for (int again = 0; again < 3; ++again) Receive(u"#21 VIDEO_IN Vidralux Capture");  // the client stays
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(log.Has(LOG_INFO, u"Skype's VIDEO IN device is still Vidralux Capture after it was asked to switch back"));
  Receive(u"VIDEO_IN Laptop Camera");
  Receive(u"VIDEO_IN Vidralux Capture");
  EXPECT_EQ(Sent(), (Commands{u"SET VIDEO_IN Laptop Camera"}));
}

// Whatever the client says, and however it answers what the program asks in return, the exchange
// ends: a client that echoes every SET as the new value and answers every GET with an empty value
// draws the program into no more than a few rounds of commands.
TEST_F(DispatcherTest, NoLineStartsAnEndlessExchange) {
  const char16_t* lines[] = {u"VIDEO_IN", u"VIDEO_IN Vidralux Capture", u"VIDEO_IN Laptop Camera", u"AUDIO_IN",
                             u"AUDIO_OUT", u"USERSTATUS ONLINE", u"USERSTATUS LOGGEDOUT", u"CONNSTATUS OFFLINE",
                             u"CURRENTUSERHANDLE", u"CURRENTUSERHANDLE other", u"USERS a, +, b", u"CALLS 5, 6",
                             u"USER x FULLNAME", u"CALL 5 STATUS RINGING", u"CALL 5 STATUS INPROGRESS",
                             u"CALL 5 STATUS FINISHED", u"CALL 5 TYPE", u"CALL 5 PARTNER_HANDLE"};
  auto answer = [](const std::u16string& command) -> std::optional<std::u16string> {
    for (std::u16string_view verb : {u"SET ", u"GET "}) {
      if (command.starts_with(verb)) return command.substr(verb.size());
    }
    return std::nullopt;
  };
  for (bool webcam : {false, true}) {
    host.videoDriver = webcam;
    SignInThroughTheClient(u"me");
    for (const char16_t* line : lines) {
      SCOPED_TRACE(qav::U8(line) + (webcam ? " (webcam)" : ""));
      Receive(line);
      int rounds = 0;
      for (Commands sent = Sent(); !sent.empty() && rounds < 10; sent = Sent(), ++rounds) {
        for (const std::u16string& command : sent) {
          if (const auto reply = answer(command)) Receive(*reply);
        }
      }
      EXPECT_LT(rounds, 10) << "the program keeps asking";
    }
  }
}

// A call kept after its end for its voice message is done; the client's next ring under the same
// id is a new call, answered as any other, and the first one keeps its message.
TEST_F(DispatcherTest, ARingForTheIdOfAnEndedCallStartsANewCall) {
  SignInThroughTheClient(u"me");
  auto ringAndAnswer = [&] {
    Receive(u"CALL 77 STATUS RINGING");
    Receive(u"CALL 77 TYPE INCOMING_P2P");
    Receive(u"CALL 77 PARTNER_HANDLE caller1");
    Sent();
    virtualLoop.AdvanceMs(15010);
    EXPECT_EQ(Sent(), (Commands{u"ALTER CALL 77 ANSWER"}));
    Receive(u"CALL 77 STATUS INPROGRESS");
    Receive(u"CALL 77 STATUS FINISHED");
    return g_CallCollection.Get(77);
  };
  CCall* first = ringAndAnswer();
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(first->GetState(), ST_CALL_DONE);
  const CMessage* firstMessage = first->GetMessage();
  ASSERT_NE(firstMessage, nullptr);
  CCall* second = ringAndAnswer();
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(second->GetState(), ST_CALL_DONE);
  ASSERT_NE(second->GetMessage(), nullptr);
  EXPECT_NE(second->GetMessage(), firstMessage);
  EXPECT_EQ(first->GetMessage(), firstMessage);
  EXPECT_EQ(engine().GetPendingCount(), 0u);
  // A status that is not a ring still reaches the ended call and changes nothing.
  Receive(u"CALL 77 STATUS FINISHED");
  EXPECT_EQ(g_CallCollection.Get(77), second);
}

// The client that had the calls is gone: a voice message being recorded is finished and kept, a
// call without a recording is deleted, a call ended already stays as it was, and the next
// connection asks who the user is.
TEST_F(DispatcherTest, CallsEndWithTheClientThatIsGone) {
  SignInThroughTheClient(u"me");
  for (const char16_t* line : {u"CALL 7 STATUS RINGING", u"CALL 7 TYPE INCOMING_P2P", u"CALL 7 PARTNER_HANDLE caller1"}) {
    Receive(line);
  }
  virtualLoop.AdvanceMs(15010);
  Receive(u"CALL 7 STATUS INPROGRESS");
  ASSERT_EQ(g_CallCollection.Get(7)->GetState(), ST_MESSAGE_RECORDING);
  for (const char16_t* line : {u"CALL 8 STATUS RINGING", u"CALL 8 TYPE INCOMING_P2P", u"CALL 8 PARTNER_HANDLE caller2"}) {
    Receive(line);
  }
  audio.TakeRequests();
  Sent();

  dispatcher.OnClientGone();
  virtualLoop.RunUntilIdle();
  CCall* recorded = g_CallCollection.Get(7);
  ASSERT_NE(recorded, nullptr);
  EXPECT_EQ(recorded->GetState(), ST_CALL_DONE);
  ASSERT_NE(recorded->GetMessage(), nullptr);
  EXPECT_EQ(recorded->GetMessage()->GetDuration(), audio.messageSeconds);
  EXPECT_EQ(audio.TakeRequests(), (std::vector<std::string>{"MsgStop"}));
  EXPECT_EQ(g_CallCollection.Get(8), nullptr);
  EXPECT_TRUE(log.Has(LOG_WARNING, u"[CallId: 8] The call client has gone: the call ends"));
  dispatcher.OnClientGone();  // nothing is left to end
  EXPECT_EQ(g_CallCollection.Get(7), recorded);
  EXPECT_EQ(engine().GetPendingCount(), 0u);
  Sent();
  State(7);
  EXPECT_EQ(Sent(), (Commands{kName, u"PROTOCOL 8", u"GET USERSTATUS", u"GET CURRENTUSERHANDLE"}));
}

TEST_F(DispatcherTest, TrayCommandsReachOnlyCallsThatStillExist) {
  SignInThroughTheClient(u"me");
  g_AnswerAllowed = 0;
  Receive(u"CALL 7 STATUS RINGING");
  Receive(u"CALL 7 TYPE INCOMING_P2P");
  Receive(u"CALL 7 PARTNER_HANDLE caller1");
  Sent();
  dispatcher.OnUserForceAnswerOfCall(99);
  EXPECT_TRUE(log.Has(LOG_INFO, u"CSkypeMsgHndl - call 99 has ended, the command is dropped"));
  dispatcher.OnUserForceAnswerOfCall(7);
  virtualLoop.RunUntilIdle();
  EXPECT_EQ(Sent(), (Commands{u"ALTER CALL 7 ANSWER"}));
  dispatcher.OnUserRecordConversation(7, true);
  dispatcher.OnUserTakesControlOverCall(7);
  EXPECT_TRUE(log.Has(LOG_INFO, u"[CallId: 7] (4/4) User Record Conversation Event - Start"));
  EXPECT_TRUE(log.Has(LOG_INFO, u"[CallId: 7] (4/4) User Takes Control over Call Event"));
}

// The transport's callbacks and the tray post to the dispatcher thread, which hands the work to
// this (the GUI) thread.
class DispatcherThreadTest : public DispatcherTest {
 protected:
  // Serves the GUI loop until `done` holds; false after a generous real-time limit.
  bool ServeUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      virtualLoop.WaitForWork(5);
    }
    return true;
  }
  void Report(std::u16string_view line) {
    SkypeToDeviceCmd received;
    received.Parse(line);
    dispatcher.OnSkypeCmdReceived(received);
  }
};

TEST_F(DispatcherThreadTest, ReportsArriveInOrderThroughTheDispatcherThread) {
  ASSERT_TRUE(dispatcher.CreateThread());
  dispatcher.ConnectionStateNotify(7);
  Report(u"CURRENTUSERHANDLE me");
  Report(u"USERSTATUS ONLINE");
  Report(u"CALL 77 STATUS RINGING");
  ASSERT_TRUE(ServeUntil([] { return g_CallCollection.Get(77) != nullptr; }));
  ASSERT_TRUE(dispatcher.PostForceAnswer(77));
  ASSERT_TRUE(dispatcher.PostTakeControl(77));
  ASSERT_TRUE(ServeUntil([&] { return log.Has(LOG_INFO, u"[CallId: 77] (4/4) User Takes Control over Call Event"); }));
  const Commands sent = link->Sent();
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(sent[0], kName);
  EXPECT_EQ(sent.back(), u"GET CALL 77 TYPE");

  dispatcher.Shutdown();
  EXPECT_TRUE(g_CallCollection.IsEmpty());
  EXPECT_EQ(g_CurrentUser.GetHandle(), u"");
  EXPECT_EQ(GetSkypeTransport(), nullptr);
  EXPECT_FALSE(dispatcher.PostForceAnswer(77));
}

TEST_F(DispatcherThreadTest, ShutdownWhileAHandOverWaitsForTheGuiThreadDoesNotHang) {
  ASSERT_TRUE(dispatcher.CreateThread());
  for (int i = 0; i < 20; ++i) Report(u"USERS caller" + qav::U16(std::to_string(i)));
  dispatcher.Shutdown();  // the GUI loop is not served: waiting hand-overs must fail, not hang
  EXPECT_EQ(GetSkypeTransport(), nullptr);
}

}  // namespace
