// The dispatcher with the real link against the simulated call client in a process of its own: the
// client signs its user in, rings a call, and the call runs through the call state machine to an
// answer and its end. The GUI thread's loop runs on the virtual clock; the client answers in real
// time, and every wait for it is bounded.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "calls/call.h"
#include "calls/call_collection.h"
#include "calls/call_fsm_states.h"
#include "foundation/settings.h"
#include "skype/dispatcher/skype_msg_hndl.h"
#include "skype/link/skype_client_info.h"
#include "skype/link/stl_transport.h"
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
  ASSERT_TRUE(ServeUntil([] { return g_CallCollection.Get(1234) == nullptr; }));
  EXPECT_EQ(engine().GetPendingCount(), 0u);
}

}  // namespace
