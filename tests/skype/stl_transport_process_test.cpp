// The program's link against the simulated call client in a process of its own, over the desktop
// bus: discovery, attach, commands and replies byte for byte, and the client dying and coming back.
// The link runs on the virtual clock, so its time-outs are stepped; the client answers in real
// time, and every wait for it is bounded.
#include <signal.h>
#include <sys/wait.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "platform/text.h"
#include "platform/virtual_loop.h"
#include "sim/call_client_sim.h"
#include "skype/link/device_to_skype_cmd.h"
#include "skype/link/skype_to_device_cmd.h"
#include "skype/link/stl_transport.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using namespace qav;

namespace {

std::string Hex(Hwnd h) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(h));
  return buffer;
}

class Recorder : public CSTLCallbackConnectionStateChange, public CSTLCallbackReceivedSkypeCmd {
 public:
  void ConnectionStateNotify(int32_t state) override { states.push_back(state); }
  void OnSkypeCmdReceived(const SkypeToDeviceCmd& received) override { lines.push_back(U8(received.GetText())); }
  std::vector<int32_t> states;
  std::vector<std::string> lines;
};

class TransportProcessTest : public ::testing::Test {
 protected:
  ~TransportProcessTest() override {
    if (stl_) stl_->End();
  }

  std::unique_ptr<test::ChildProcess> StartClient() {
    auto client = std::make_unique<test::ChildProcess>(QAV_SIM_CALLCLIENT, std::vector<std::string>{"--stdin"});
    EXPECT_TRUE(client->started());
    EXPECT_TRUE(client->WaitForLine("ready "));
    return client;
  }

  void StartLink() {
    stl_ = std::make_unique<CSTL>(v_.loop());
    ASSERT_EQ(stl_->Init(1, &recorder_, &recorder_), 1);
    stl_->Connect();
  }

  // The client's next transcript line that starts with `prefix`, serving the link meanwhile.
  std::optional<std::string> Line(test::ChildProcess& client, const std::string& prefix) {
    return client.WaitForLine(prefix, [&] { v_.RunUntilIdle(); }, v_.loop().PollFd());
  }

  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    v_.RunUntilIdle();
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      v_.WaitForWork(20);
    }
    return true;
  }

  int Attaches() const { return static_cast<int>(std::count(recorder_.states.begin(), recorder_.states.end(), 7)); }

  test::TempDir temp_;
  test::ScopedEnv desktop_{"QAV_DESKTOP_DIR", temp_.File("desktop")};
  test::ScopedEnv registry_{"QAV_REGISTRY_DIR", temp_.File("registry")};
  VirtualLoop v_;
  Recorder recorder_;
  std::unique_ptr<CSTL> stl_;
};

TEST_F(TransportProcessTest, DiscoversAttachesAndGetsEachReplyByteForByte) {
  auto client = StartClient();
  StartLink();
  ASSERT_TRUE(Line(*client, "discover from " + Hex(stl_->GetWindow()) + " "));
  ASSERT_TRUE(Line(*client, "attached " + Hex(stl_->GetWindow())));
  ASSERT_TRUE(PumpUntil([&] { return Attaches() == 1; }));
  EXPECT_EQ(recorder_.states, (std::vector<int32_t>{6, 7}));

  DeviceToSkypeCmd name;
  name.Name(DeviceToSkypeCmd::kProgramName);
  DeviceToSkypeCmd handle;
  handle.GetCurrentUserHandle();
  ASSERT_EQ(stl_->SendCmdAcknowledged(name), 1);
  ASSERT_EQ(stl_->SendCmdAcknowledged(handle), 1);
  const std::string n = std::to_string(name.GetId());
  const std::string h = std::to_string(handle.GetId());
  // What the client got, byte for byte (UTF-8 with its NUL), and what it answered.
  EXPECT_EQ(Line(*client, "<- "), "<- \"#" + n + " NAME QAV - Answering Machine for Skype\\xe2\\x84\\xa2 users\\0\"");
  EXPECT_EQ(Line(*client, "-> "), "-> \"#" + n + " OK\"");
  EXPECT_EQ(Line(*client, "<- "), "<- \"#" + h + " GET CURRENTUSERHANDLE\\0\"");
  EXPECT_EQ(Line(*client, "-> "), "-> \"#" + h + " CURRENTUSERHANDLE owner.one\"");
  ASSERT_TRUE(PumpUntil([&] { return !recorder_.lines.empty(); }));
  // "#n OK" acknowledged NAME without reaching the dispatcher; the handle's reply did.
  EXPECT_EQ(recorder_.lines, std::vector<std::string>{"#" + h + " CURRENTUSERHANDLE owner.one"});
  EXPECT_EQ(stl_->GetWaitQueueSize(), 0u);
  EXPECT_EQ(stl_->GetInQueueSize(), 0u);
}

TEST_F(TransportProcessTest, TheClientDiesAndAComingBackClientGetsTheCommand) {
  auto first = StartClient();
  StartLink();
  ASSERT_TRUE(PumpUntil([&] { return Attaches() == 1; }));

  first->WriteLine("die");
  std::optional<int> status = first->WaitForExit();
  ASSERT_TRUE(status);
  EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGKILL);

  // The command goes to the dead client and is lost; its reply time-out puts it back and the link
  // looks for the client again, in vain for now.
  DeviceToSkypeCmd cmd;
  cmd.GetUserStatus();
  ASSERT_EQ(stl_->SendCmdAcknowledged(cmd), 1);
  v_.RunUntilIdle();
  v_.AdvanceMs(CSTL::kReplyTimeoutMs + CSTL::kReplyCheckPeriodMs + 1);
  EXPECT_EQ(stl_->GetCounters().replyTimeouts, 1);
  EXPECT_EQ(stl_->GetInQueueSize(), 1u);

  // A new client comes up; the next discover finds it, and the command goes out to it.
  auto second = StartClient();
  for (int step = 0; step < 200 && Attaches() < 2; ++step) {
    v_.AdvanceMs(100);
    v_.WaitForWork(10);
  }
  ASSERT_EQ(Attaches(), 2);
  const std::string id = std::to_string(cmd.GetId());
  EXPECT_TRUE(Line(*second, "<- \"#" + id + " GET USERSTATUS\\0\""));
  ASSERT_TRUE(PumpUntil([&] { return !recorder_.lines.empty(); }));
  EXPECT_EQ(recorder_.lines.back(), "#" + id + " USERSTATUS ONLINE");
  EXPECT_EQ(stl_->GetConnectionState(), 7);
}

}  // namespace
