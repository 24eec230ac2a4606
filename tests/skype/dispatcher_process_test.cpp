// The dispatcher with the real link against the simulated call client in a process of its own: the
// client signs its user in, rings a call, and the call runs through the call state machine to an
// answer and its end. The GUI thread's loop runs on the virtual clock; the client answers in real
// time, and every wait for it is bounded.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "calls/call.h"
#include "calls/call_collection.h"
#include "calls/call_fsm_states.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "foundation/settings.h"
#include "platform/text.h"
#include "skype/dispatcher/skype_msg_hndl.h"
#include "skype/link/skype_client_info.h"
#include "skype/link/stl_transport.h"
#include "skype/link/user_collection.h"
#include "tests/skype/recording_host.h"
#include "tests/support/call_model_fixture.h"
#include "tests/support/child_process.h"

namespace {

using qav::test::CallModelFixture;
using qav::test::ChildProcess;

class DispatcherProcessTest : public CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SetInstalledSkypeVersion(0x03080000);
    // The simulated client's user answers after 0 s, so the call is answered 10 ms after it rings.
    std::filesystem::create_directories(temp_.path() + "/QAV/owner.one");
    ASSERT_TRUE(qav::test::WriteFileBytes(temp_.path() + "/QAV/owner.one/QAV.ini",
                                          "[Settings]\nSecB4AnsweringOnline=0\n"));
    CSettingsHooks hooks;
    hooks.currentUserHandle = [] { return GetCurrentUserHandleCopy(); };
    SetSettingsHooks(hooks);
  }
  void TearDown() override {
    dispatcher.Shutdown();
    SetSettingsHooks({});
    CallModelFixture::TearDown();
  }

  // Serves the GUI loop (the link, the engine, the dispatcher's hand-overs) until `done` holds.
  bool ServeUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    virtualLoop.RunUntilIdle();
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      virtualLoop.WaitForWork(5);
    }
    return true;
  }
  std::optional<std::string> ClientLine(ChildProcess& client, const std::string& prefix) {
    return client.WaitForLine(prefix, [&] { virtualLoop.RunUntilIdle(); }, virtualLoop.loop().PollFd(), 5000);
  }
  int32_t StateOf(int32_t callId) {
    const CCall* call = g_CallCollection.Get(callId);
    return call ? call->GetState() : -1;
  }

  // Advances the GUI loop's clock 100 ms at a time, serving the client between steps, until `done`
  // holds; false when it does not within `virtualMs` (or a real-time bound).
  bool AdvanceUntil(const std::function<bool()>& done, int64_t virtualMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const int64_t end = virtualLoop.NowMs() + virtualMs;
    while (!done()) {
      if (virtualLoop.NowMs() >= end || std::chrono::steady_clock::now() > deadline) return false;
      virtualLoop.AdvanceMs(100);
      virtualLoop.WaitForWork(2);
      virtualLoop.RunUntilIdle();
    }
    return true;
  }
  // Starts the link against a client that has printed its "ready" line; the client's user signs in.
  // The helpers report a failure to their caller, who stops the test there (ASSERT_TRUE).
  testing::AssertionResult Attach() {
    if (!dispatcher.CreateThread()) return testing::AssertionFailure() << "the dispatcher thread does not start";
    if (dispatcher.StartSTL(std::make_unique<CSTL>(virtualLoop.loop())) != 1) {
      return testing::AssertionFailure() << "the link does not start";
    }
    if (!ServeUntil([] {
          return g_CurrentUser.GetHandle() == u"owner.one" &&
                 g_CurrentUser.GetUserStatus() == SkypeOnlineStatus::ONLINE &&
                 GetSkypeAudioOutDevice() == u"Simulated Speakers";
        })) {
      return testing::AssertionFailure() << "the client's user never signed in";
    }
    return testing::AssertionSuccess();
  }
  // Rings the call in the client and waits until the client has been told to answer it and the
  // machine records the voice message.
  testing::AssertionResult RingAndAnswer(ChildProcess& client, int32_t callId, const std::string& caller = "caller1") {
    client.WriteLine("ring " + std::to_string(callId) + " " + caller);
    if (!ServeUntil([&] {
          const CCall* call = g_CallCollection.Get(callId);
          return call && call->GetState() == ST_WAIT_ANSWERING_TIMER_EXPIRE && call->IsCallInfoComplete();
        })) {
      return testing::AssertionFailure() << "call " << callId << " never waited for its answer (state "
                                         << StateOf(callId) << ")";
    }
    virtualLoop.AdvanceMs(10);
    const std::string answer = " ALTER CALL " + std::to_string(callId) + " ANSWER\\0\"";
    for (;;) {
      const std::optional<std::string> line = ClientLine(client, "<- ");
      if (!line) return testing::AssertionFailure() << "the client never got the answer of call " << callId;
      if (line->ends_with(answer)) break;
    }
    if (!ServeUntil([&] { return StateOf(callId) == ST_MESSAGE_RECORDING; })) {
      return testing::AssertionFailure() << "call " << callId << " never recorded its message (state "
                                         << StateOf(callId) << ")";
    }
    return testing::AssertionSuccess();
  }

  qav::test::ScopedEnv desktop_{"QAV_DESKTOP_DIR", temp_.File("desktop")};
  qav::test::ScopedEnv registry_{"QAV_REGISTRY_DIR", temp_.File("registry")};
  qav::test::RecordingHost host;
  CSkypeMsgHndl dispatcher{virtualLoop.loop(), host};
};

TEST_F(DispatcherProcessTest, ACallRungByTheClientRunsThroughTheStateMachine) {
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_TRUE(client.started());
  ASSERT_TRUE(client.WaitForLine("ready "));
  ASSERT_TRUE(dispatcher.CreateThread());
  ASSERT_EQ(dispatcher.StartSTL(std::make_unique<CSTL>(virtualLoop.loop())), 1);

  // Attached, named, and the client's user is the current user with its settings and devices.
  ASSERT_TRUE(ServeUntil([] {
    return g_CurrentUser.GetHandle() == u"owner.one" && g_CurrentUser.GetUserStatus() == SkypeOnlineStatus::ONLINE &&
           GetSkypeAudioOutDevice() == u"Simulated Speakers";
  }));
  EXPECT_EQ(g_SecB4AnsweringOnline, 0);
  EXPECT_EQ(recordings.loads, (std::vector<std::u16string>{u"owner.one"}));

  client.WriteLine("ring 1234 caller1");
  ASSERT_TRUE(ServeUntil([&] {
    const CCall* call = g_CallCollection.Get(1234);
    return call && call->GetState() == ST_WAIT_ANSWERING_TIMER_EXPIRE && call->IsCallInfoComplete();
  }));
  EXPECT_EQ(g_CallCollection.Get(1234)->GetPartner()->GetHandle(), u"caller1");

  virtualLoop.AdvanceMs(10);
  bool answered = false;
  while (!answered) {
    const std::optional<std::string> line = ClientLine(client, "<- ");
    ASSERT_TRUE(line) << "the client never got the answer";
    answered = line->ends_with(" ALTER CALL 1234 ANSWER\\0\"");
  }
  // The client puts the answered call in progress, and the machine starts the voice message.
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1234) == ST_MESSAGE_RECORDING; }));

  client.WriteLine("hangup 1234");
  // The call ends with its voice message kept, which keeps the call.
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1234) == ST_CALL_DONE; }));
  ASSERT_NE(g_CallCollection.Get(1234)->GetMessage(), nullptr);
  EXPECT_EQ(engine().GetPendingCount(), 0u);
}

// A client that dies in the middle of a voice message ends its calls with it: the message is
// finished and kept within seconds (not at its maximum length), and when the client is started
// again its next call, under the same id, is answered.
TEST_F(DispatcherProcessTest, AClientThatDiesEndsItsCallsAndTheRestartedClientsCallIsAnswered) {
  auto first = std::make_unique<ChildProcess>(QAV_SIM_CALLCLIENT, std::vector<std::string>{"--stdin"});
  ASSERT_TRUE(first->WaitForLine("ready "));
  ASSERT_TRUE(Attach());
  ASSERT_TRUE(RingAndAnswer(*first, 1234));
  CCall* dead = g_CallCollection.Get(1234);
  ASSERT_NE(dead, nullptr);
  audio.TakeRequests();

  first->Kill();  // as a crash ends it, whatever it is doing
  ASSERT_TRUE(first->WaitForExit());
  first.reset();
  const int64_t diedAt = virtualLoop.NowMs();
  ASSERT_TRUE(AdvanceUntil([&] { return dead->GetState() == ST_CALL_DONE; }, 30000)) << "the dead client's call goes on";
  EXPECT_LT(virtualLoop.NowMs() - diedAt, 10000);
  EXPECT_EQ(audio.TakeRequests(), (std::vector<std::string>{"MsgStop"}));
  ASSERT_EQ(g_CallCollection.Get(1234), dead);  // kept for its message
  ASSERT_NE(dead->GetMessage(), nullptr);
  EXPECT_EQ(dead->GetMessage()->GetDuration(), audio.messageSeconds);

  ChildProcess second(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_TRUE(second.WaitForLine("ready "));
  // The link attaches to the new client at its next try. Each discover is given real time for the
  // client's answer before the link's clock moves on, so a slow machine does not run the link out
  // of tries.
  auto discovers = [&] {
    int count = 0;
    for (const auto& line : log.Lines()) count += line.message.starts_with(u"Send SkypeAPI Discover") ? 1 : 0;
    return count;
  };
  bool attached = false;
  for (int64_t waited = 0; !attached && waited < 30000; waited += 100) {
    const int before = discovers();
    virtualLoop.AdvanceMs(100);
    if (discovers() == before) continue;
    attached = second.WaitForLine("attached ", [&] { virtualLoop.RunUntilIdle(); }, virtualLoop.loop().PollFd(), 2000)
                   .has_value();
  }
  ASSERT_TRUE(attached);
  // Once attached, the link asks the new client who its user is.
  for (;;) {
    const std::optional<std::string> line = ClientLine(second, "<- ");
    ASSERT_TRUE(line) << "the new client was never asked for its user; it printed:\n" << [&] {
      std::string all;
      for (const std::string& printed : second.AllLines()) all += printed + "\n";
      return all;
    }();
    if (line->find("GET CURRENTUSERHANDLE") != std::string::npos) break;
  }
  ASSERT_TRUE(RingAndAnswer(second, 1234));
  EXPECT_NE(g_CallCollection.Get(1234), dead);
  EXPECT_EQ(dead->GetState(), ST_CALL_DONE);
}

// A user whose stored voice messages come from 300 callers signs in. The load finds each caller
// at once, and each new contact has four questions for the client: the link asks every one of
// them and refuses nothing, so that each caller is known for what the client says it is. With
// strangers' calls left unanswered, a contact's call is then answered.
TEST_F(DispatcherProcessTest, ASignInWithThreeHundredStoredCallersAsksAboutEveryCallerAndRefusesNothing) {
  constexpr int kCallers = 300;
  auto caller = [](int i) {
    char handle[16];
    std::snprintf(handle, sizeof handle, "caller%03d", i);
    return std::string(handle);
  };
  ASSERT_TRUE(qav::test::WriteFileBytes(temp_.path() + "/QAV/owner.one/QAV.ini",
                                        "[Settings]\nSecB4AnsweringOnline=0\nUseNonAuthorizedCallerSettings=1\n"
                                        "DisableAnswerOfNonAuthCaller=1\n"));
  const std::string messages = temp_.path() + "/QAV/My Received Voice Messages/owner.one/";
  std::filesystem::create_directories(messages);
  // The client knows every caller as a contact, with a full name.
  std::string contacts;
  for (int i = 1; i <= kCallers; ++i) {
    ASSERT_TRUE(qav::test::WriteFileBytes(messages + caller(i) + ".2024.03.05.14.07.09.5.s.wav", "RIFF"));
    contacts += "contact " + caller(i) + " FULLNAME Caller " + std::to_string(i) + "\n";
  }
  const std::string scenario = temp_.File("contacts.txt");
  ASSERT_TRUE(qav::test::WriteFileBytes(scenario, contacts));
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin", "--scenario", scenario});
  ASSERT_TRUE(client.WaitForLine("ready "));
  ASSERT_TRUE(Attach());
  ASSERT_EQ(g_MessageCollection.GetCount(), static_cast<size_t>(kCallers));

  // The client's questions as it received them: each caller asked for all four details.
  auto askedAbout = [&] {
    std::map<std::string, std::set<std::string>> questions;
    for (const std::string& line : client.AllLines()) {
      const size_t at = line.find(" GET USER caller");
      if (!line.starts_with("<- ") || at == std::string::npos) continue;
      std::istringstream words(line.substr(at + 10));
      std::string handle, property;
      words >> handle >> property;
      questions[handle].insert(property.substr(0, property.find('\\')));
    }
    int complete = 0;
    for (const auto& [handle, properties] : questions) {
      complete += properties == std::set<std::string>{"FULLNAME", "DISPLAYNAME", "ONLINESTATUS", "BUDDYSTATUS"} ? 1 : 0;
    }
    return complete;
  };
  auto refused = [&] {
    int count = 0;
    for (const auto& line : log.Lines()) {
      if (line.message.find(u"Msg Q is too big") != std::u16string::npos) ++count;
    }
    return count;
  };
  auto everyCallerKnown = [&] {
    for (int i = 1; i <= kCallers; ++i) {
      const CUser* user = g_UserCollection.Lookup(qav::U16(caller(i)));
      if (user == nullptr || !user->IsBuddy() || user->GetFullName().empty()) return false;
    }
    return true;
  };
  // The client's transcript is read while the loop is served, so its output never fills the pipe.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!everyCallerKnown() && std::chrono::steady_clock::now() < deadline) {
    (void)client.WaitForLine("\x01", [&] { virtualLoop.RunUntilIdle(); }, virtualLoop.loop().PollFd(), 20);
  }
  EXPECT_TRUE(everyCallerKnown()) << askedAbout() << " of " << kCallers << " callers asked about, " << refused()
                                  << " commands refused";
  EXPECT_EQ(askedAbout(), kCallers);
  EXPECT_EQ(refused(), 0);
  EXPECT_EQ(g_UserCollection.Lookup(u"caller300")->GetFullName(), u"Caller 300");

  ASSERT_TRUE(RingAndAnswer(client, 1234, caller(kCallers)));
  EXPECT_EQ(refused(), 0);
}

// An empty VIDEO_IN line, which real clients send, is answered with no command at all.
TEST_F(DispatcherProcessTest, AnEmptyVideoDeviceLineIsAnsweredWithNothing) {
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_TRUE(client.WaitForLine("ready "));
  ASSERT_TRUE(Attach());
  client.WriteLine("notify VIDEO_IN");
  // The client's lines are handled in order and the commands go out in order: once the client
  // has the question about the next call, it has every command the empty line brought.
  client.WriteLine("ring 55 caller1");
  for (;;) {
    const std::optional<std::string> line = ClientLine(client, "<- ");
    ASSERT_TRUE(line) << "the client never got a question about call 55";
    if (line->find("GET CALL 55 ") != std::string::npos) break;
  }
  int videoCommands = 0;
  for (const std::string& line : client.AllLines()) {
    if (line.starts_with("<- ") && line.find("VIDEO_IN") != std::string::npos) ++videoCommands;
  }
  EXPECT_EQ(videoCommands, 0);
}

}  // namespace
