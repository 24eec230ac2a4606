// The call client link (CSTL and its sender thread) on the virtual clock, against the simulated
// call client running on the same loop. Every timer of the link fires at its exact virtual time;
// what crosses to the sender thread and back is waited for in real time, with a bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/message_thread.h"
#include "platform/registered_message.h"
#include "platform/text.h"
#include "platform/virtual_loop.h"
#include "platform/window.h"
#include "sim/call_client_sim.h"
#include "skype/link/device_to_skype_cmd.h"
#include "skype/link/skype_to_device_cmd.h"
#include "skype/link/skype_vocabulary.h"
#include "skype/link/stl_transport.h"
#include "tests/support/log_capture.h"
#include "tests/support/pump.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using qav::sim::AttachScript;
using qav::sim::CallClientSim;
using qav::sim::CallClientSimOptions;

namespace {

constexpr int kRealWaitMs = 5000;

class Recorder : public CSTLCallbackConnectionStateChange, public CSTLCallbackReceivedSkypeCmd {
 public:
  explicit Recorder(VirtualLoop& v) : v_(v) {}
  void ConnectionStateNotify(int32_t state) override {
    states.push_back(state);
    stateTimes.push_back(v_.NowMs());
  }
  void OnSkypeCmdReceived(const SkypeToDeviceCmd& received) override { lines.push_back(U8(received.GetText())); }
  void ClientGone() override { ++gone; }

  int gone = 0;
  std::vector<int32_t> states;
  std::vector<int64_t> stateTimes;
  std::vector<std::string> lines;

 private:
  VirtualLoop& v_;
};

DeviceToSkypeCmd UserStatusCmd() {
  DeviceToSkypeCmd cmd;
  cmd.GetUserStatus();
  return cmd;
}

std::string Wire(const DeviceToSkypeCmd& cmd) { return cmd.GetWireBytes(); }

class TransportTest : public ::testing::Test {
 protected:
  TransportTest() : recorder_(v_) {}
  ~TransportTest() override {
    if (stl_) stl_->End();
  }

  // The simulated client on this thread's virtual loop, then the link, connected.
  void Start(AttachScript script = AttachScript::kSuccess, bool silent = true) {
    CallClientSimOptions options;
    options.attach = script;
    options.announce = false;
    sim_ = std::make_unique<CallClientSim>(v_.loop(), options);
    ASSERT_TRUE(sim_->Start());
    if (silent) sim_->SetSilence(-1);
    stl_ = std::make_unique<CSTL>(v_.loop());
    ASSERT_EQ(stl_->Init(1, &recorder_, &recorder_), 1);
    stl_->Connect();
    v_.RunUntilIdle();
  }

  // Serves the loop until `done` holds; false when it does not within the real-time bound.
  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRealWaitMs);
    v_.RunUntilIdle();
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      v_.WaitForWork(20);
    }
    return true;
  }
  bool PumpUntilReceived(size_t count) {
    return PumpUntil([&] { return sim_->received().size() >= count; });
  }
  // How often the client has received the command.
  int Sends(const DeviceToSkypeCmd& cmd) const {
    return static_cast<int>(std::count(sim_->received().begin(), sim_->received().end(), Wire(cmd)));
  }
  bool Logged(int32_t level, std::u16string_view part) const {
    for (const auto& line : log_.Lines()) {
      if (line.level == level && line.message.find(part) != std::u16string::npos) return true;
    }
    return false;
  }

  // A line from the client's window, as the client sends it (with its NUL).
  LResult FromClient(const std::string& line) {
    return SendCopyData(stl_->GetWindow(), sim_->window(), 0, line + std::string(1, '\0')).result;
  }

  void Queue(const DeviceToSkypeCmd& cmd) {
    ASSERT_EQ(stl_->SendCmdAcknowledged(cmd), 1);
    v_.RunUntilIdle();
  }

  test::TempDir temp_;
  test::ScopedEnv desktop_{"QAV_DESKTOP_DIR", temp_.File("desktop")};
  test::LogCapture log_;
  VirtualLoop v_;
  Recorder recorder_;
  std::unique_ptr<CallClientSim> sim_;
  std::unique_ptr<CSTL> stl_;
};

// ---- Attaching --------------------------------------------------------------------------------

TEST_F(TransportTest, AttachAnswersMoveTheState) {
  constexpr int64_t kForeign = -1;  // a success naming a window of another process
  struct Row {
    std::vector<int64_t> statuses;
    std::vector<int32_t> reported;  // after the 6 of Connect
    int32_t stored;
  };
  const Row rows[] = {
      {{0}, {7}, 7},
      {{1}, {5}, 5},
      {{1, 0}, {5, 7}, 7},
      {{2}, {2}, 1},
      {{3}, {3}, 1},
      {{2, 0}, {2}, 1},  // success while disconnected is ignored
      {{2, 0x8001}, {2, 4}, 1},
      {{0x8001}, {}, 6},
      {{0x77}, {}, 6},
      {{kForeign}, {}, 6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.statuses));
    stl_.reset();
    sim_.reset();
    recorder_.states.clear();
    Start(AttachScript::kSilence);
    const uint32_t attach = RegisterWindowMessage(CSTL::kAttachMessageName);
    for (int64_t status : row.statuses) {
      const Hwnd client = status == kForeign ? (Hwnd{0x7FFFFFF0} << 32) | 1 : sim_->window();
      PostMessage(stl_->GetWindow(), attach, client, status == kForeign ? 0 : status);
    }
    v_.RunUntilIdle();
    std::vector<int32_t> expected = {6};
    expected.insert(expected.end(), row.reported.begin(), row.reported.end());
    EXPECT_EQ(recorder_.states, expected);
    EXPECT_EQ(stl_->GetConnectionState(), row.stored);
  }
}

TEST_F(TransportTest, ApiAvailableSchedulesADiscoverFiveSecondsLater) {
  Start(AttachScript::kSilence);
  const uint32_t attach = RegisterWindowMessage(CSTL::kAttachMessageName);
  v_.AdvanceMs(3000);  // the first discover goes unanswered; the next is due at 8000
  PostMessage(stl_->GetWindow(), attach, sim_->window(), CSTL::kAttachApiAvailable);
  v_.RunUntilIdle();
  EXPECT_EQ(sim_->discovers(), 1);
  v_.AdvanceMs(4999);
  EXPECT_EQ(sim_->discovers(), 1);
  v_.AdvanceMs(1);
  EXPECT_EQ(sim_->discovers(), 2);
}

TEST_F(TransportTest, UnansweredDiscoversEndInApiNotAvailable) {
  Start(AttachScript::kSilence);
  const int64_t t0 = v_.NowMs();
  // Discovers at 0, 8, 16, 24 and 32 s, each given 3 s: the fifth failure is at 35 s.
  v_.AdvanceMs(34999);
  EXPECT_EQ(recorder_.states, std::vector<int32_t>{6});
  EXPECT_EQ(sim_->discovers(), 5);
  v_.AdvanceMs(1);
  EXPECT_EQ(recorder_.states, (std::vector<int32_t>{6, 3}));
  EXPECT_EQ(recorder_.stateTimes.back() - t0, 35000);
  EXPECT_EQ(stl_->GetConnectionState(), 1);
  v_.AdvanceMs(60000);
  EXPECT_EQ(sim_->discovers(), 5);
  EXPECT_EQ(stl_->GetCounters().discoverFailures, 5);
}

TEST_F(TransportTest, PendingAuthorisationThenSuccessConnects) {
  Start(AttachScript::kPending);
  EXPECT_EQ(recorder_.states, (std::vector<int32_t>{6, 5}));
  v_.AdvanceMs(1000);  // the client's default wait for the user's consent
  EXPECT_EQ(recorder_.states, (std::vector<int32_t>{6, 5, 7}));
  EXPECT_EQ(stl_->GetConnectionState(), 7);
}

// ---- Commands and replies ---------------------------------------------------------------------

TEST_F(TransportTest, OneCommandIsInFlightAndTheHeadsIdAcknowledgesIt) {
  Start();
  DeviceToSkypeCmd a = UserStatusCmd();
  DeviceToSkypeCmd b = UserStatusCmd();
  Queue(a);
  Queue(b);
  EXPECT_EQ(stl_->GetWaitQueueSize(), 1u);
  EXPECT_EQ(stl_->GetInQueueSize(), 1u);
  ASSERT_TRUE(PumpUntilReceived(1));
  EXPECT_EQ(sim_->received()[0], Wire(a));

  const std::string idA = "#" + std::to_string(a.GetId());
  struct Row {
    std::string line;
    bool acknowledges;
    bool reachesDispatcher;
  };
  // Lines that do not acknowledge A first, then one that does.
  const Row rows[] = {
      {"#999999 USERSTATUS ONLINE", false, true},
      {"USERSTATUS ONLINE", false, true},
      {"PONG", false, true},
      {idA + " USERSTATUS ONLINE", true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    recorder_.lines.clear();
    EXPECT_EQ(FromClient(row.line), 1);
    v_.RunUntilIdle();
    EXPECT_EQ(recorder_.lines, row.reachesDispatcher ? std::vector<std::string>{row.line} : std::vector<std::string>{});
    EXPECT_EQ(stl_->GetInQueueSize(), row.acknowledges ? 0u : 1u);
  }
  // B went out at once.
  ASSERT_TRUE(PumpUntilReceived(2));
  EXPECT_EQ(sim_->received()[1], Wire(b));
  EXPECT_EQ(stl_->GetWaitQueueSize(), 1u);
}

TEST_F(TransportTest, RepliesThatDoNotParseStillAcknowledgeByTheirId) {
  Start();
  for (const std::string rest : {" OK", "", " ERROR", " ERROR 2 Unknown command", " CALL 1234 NOSUCHPROPERTY x"}) {
    DeviceToSkypeCmd cmd = UserStatusCmd();
    const std::string reply = "#" + std::to_string(cmd.GetId()) + rest;
    SCOPED_TRACE(reply);
    Queue(cmd);
    ASSERT_EQ(stl_->GetWaitQueueSize(), 1u);
    recorder_.lines.clear();
    FromClient(reply);
    v_.RunUntilIdle();
    EXPECT_EQ(stl_->GetWaitQueueSize(), 0u);
    const bool parses = rest == " ERROR 2 Unknown command";
    EXPECT_EQ(recorder_.lines.size(), parses ? 1u : 0u);
  }
  EXPECT_EQ(stl_->GetCounters().replyTimeouts, 0);
  EXPECT_EQ(stl_->GetCounters().reconnectAttempts, 0);
}

TEST_F(TransportTest, SilenceResendsAfterEachReattachAndDiscardsAfterThreeSends) {
  Start();
  DeviceToSkypeCmd a = UserStatusCmd();
  int64_t sentAt = v_.NowMs();
  Queue(a);
  for (int send = 1; send <= 3; ++send) {
    SCOPED_TRACE(send);
    ASSERT_TRUE(PumpUntil([&] { return Sends(a) == send; }));
    v_.AdvanceMs(sentAt + CSTL::kReplyTimeoutMs - v_.NowMs());  // not late yet
    EXPECT_EQ(stl_->GetCounters().replyTimeouts, send - 1);
    // The next check finds it late: it is put back, the link attaches again and sends it again.
    while (stl_->GetCounters().replyTimeouts < send && v_.NowMs() - sentAt < 6000) v_.AdvanceMs(1);
    EXPECT_EQ(stl_->GetCounters().replyTimeouts, send);
    EXPECT_LE(v_.NowMs() - sentAt, CSTL::kReplyTimeoutMs + CSTL::kReplyCheckPeriodMs);
    sentAt = v_.NowMs();
  }
  // After the third time-out and the re-attach the command is dropped instead of sent a fourth
  // time.
  EXPECT_EQ(stl_->GetInQueueSize(), 0u);
  EXPECT_EQ(stl_->GetWaitQueueSize(), 0u);
  EXPECT_TRUE(Logged(LOG_WARNING, u"after 3 resending"));
  EXPECT_EQ(Sends(a), 3);
  EXPECT_EQ(stl_->GetConnectionState(), 7);
}

TEST_F(TransportTest, CommandsQueuedAfterATimeOutWaitForTheAttach) {
  Start();
  DeviceToSkypeCmd a = UserStatusCmd();
  DeviceToSkypeCmd b = UserStatusCmd();
  Queue(a);
  ASSERT_TRUE(PumpUntil([&] { return Sends(a) == 1; }));
  sim_->SetAttachScript(AttachScript::kSilence);
  v_.AdvanceMs(5200);  // A is late; the re-attach goes unanswered
  Queue(b);
  // Neither is handed to the muted sender: both wait, A first.
  EXPECT_EQ(stl_->GetWaitQueueSize(), 0u);
  EXPECT_EQ(stl_->GetInQueueSize(), 2u);
  sim_->SetAttachScript(AttachScript::kSuccess);
  for (int step = 0; step < 200 && stl_->GetWaitQueueSize() == 0; ++step) v_.AdvanceMs(100);
  ASSERT_TRUE(PumpUntil([&] { return Sends(a) == 2; }));
  EXPECT_EQ(stl_->GetInQueueSize(), 1u);
  FromClient("#" + std::to_string(a.GetId()) + " USERSTATUS ONLINE");
  ASSERT_TRUE(PumpUntil([&] { return Sends(b) == 1; }));
  EXPECT_EQ(Sends(a), 2);
}

// Commands that give way are made and sent one at a time while no ordinary command waits: one
// queued after hundreds of them goes out next. However many they are, none counts against the
// queue guard, and a builder that refuses its arguments is skipped.
TEST_F(TransportTest, CommandsThatGiveWayGoOutOnlyWhileNoOtherCommandWaits) {
  Start(AttachScript::kSuccess, /*silent=*/false);
  constexpr int kCount = CSTL::kMaxQueuedCmds + CSTL::kGuiReserveCmds + 50;
  ASSERT_EQ(stl_->SendCmdWhenIdle([](DeviceToSkypeCmd& cmd) { cmd.GetUser(u"", SkypeUserProp::FULLNAME); }), 1);
  for (int i = 0; i < kCount; ++i) {
    const std::u16string handle = U16("caller" + std::to_string(i));
    auto ask = [handle](DeviceToSkypeCmd& cmd) { cmd.GetUser(handle, SkypeUserProp::FULLNAME); };
    ASSERT_EQ(stl_->SendCmdWhenIdle(ask), 1);
  }
  const DeviceToSkypeCmd ordinary = UserStatusCmd();
  ASSERT_EQ(stl_->SendCmdAcknowledged(ordinary), 1);
  ASSERT_TRUE(PumpUntilReceived(kCount + 1));
  // The words the client received, without their ids.
  std::vector<std::string> words;
  for (const std::string& wire : sim_->received()) {
    words.push_back(wire.substr(wire.find(' ') + 1, wire.size() - wire.find(' ') - 2));
  }
  ASSERT_EQ(words.size(), static_cast<size_t>(kCount + 1));
  EXPECT_EQ(words[0], "GET USER caller0 FULLNAME");  // it went out while nothing else waited
  EXPECT_EQ(sim_->received()[1], Wire(ordinary));
  for (int i = 1; i < kCount; ++i) {
    EXPECT_EQ(words[static_cast<size_t>(i) + 1], "GET USER caller" + std::to_string(i) + " FULLNAME");
  }
  EXPECT_TRUE(Logged(LOG_WARNING, u"command that gives way not sent"));
  EXPECT_FALSE(Logged(LOG_WARNING, u"Msg Q is too big"));
  EXPECT_EQ(stl_->GetIdleQueueSize(), 0u);
}

TEST_F(TransportTest, Error68PutsTheCommandBackAndAttachesAgain) {
  Start();
  DeviceToSkypeCmd a = UserStatusCmd();
  Queue(a);
  ASSERT_TRUE(PumpUntilReceived(1));
  sim_->InjectError68("");
  ASSERT_TRUE(PumpUntilReceived(2));
  EXPECT_EQ(sim_->received()[1], Wire(a));
  EXPECT_EQ(sim_->discovers(), 2);
  EXPECT_EQ(stl_->GetCounters().error68Receipts, 1);
  EXPECT_EQ(recorder_.lines, std::vector<std::string>{"ERROR 68"});
  EXPECT_EQ(recorder_.states, (std::vector<int32_t>{6, 7, 7}));
  EXPECT_EQ(stl_->GetWaitQueueSize(), 1u);
}

// ---- Keep-alive -------------------------------------------------------------------------------

TEST_F(TransportTest, PingAfterSilenceAndReconnectWhenNoLineFollows) {
  Start();
  const int64_t attached = recorder_.stateTimes.back();
  ASSERT_EQ(recorder_.states.back(), 7);
  v_.AdvanceMs(4799);
  v_.RunUntilIdle();
  EXPECT_TRUE(sim_->received().empty());
  v_.AdvanceMs(1);  // 4.8 s of silence
  ASSERT_TRUE(PumpUntilReceived(1));
  EXPECT_EQ(sim_->received()[0], std::string("PING\0", 5));
  v_.AdvanceMs(1999);
  EXPECT_EQ(sim_->discovers(), 1);
  v_.AdvanceMs(1);  // 6.8 s: no PONG, attach again
  EXPECT_EQ(sim_->discovers(), 2);
  EXPECT_EQ(recorder_.stateTimes.back() - attached, 6800);
  EXPECT_EQ(stl_->GetCounters().keepAliveFailures, 1);

  // Answered, the PING keeps the link as it is.
  sim_->SetSilence(0);
  v_.AdvanceMs(4800);
  ASSERT_TRUE(PumpUntil([&] { return !recorder_.lines.empty(); }));
  EXPECT_EQ(recorder_.lines.back(), "PONG");
  v_.AdvanceMs(2000);
  EXPECT_EQ(sim_->discovers(), 2);
}

// The attached client is reported gone once: when another client's window answers the attach, or
// when its window has vanished by the time the link misses an answer. A client that is only slow,
// and the program's own disconnect, are not reported.
TEST_F(TransportTest, AClientThatIsGoneIsReportedOnce) {
  Start();
  auto missAnswer = [&] { v_.AdvanceMs(CSTL::kPingPeriodMs + CSTL::kPongWaitMs); };
  missAnswer();  // silent, but there
  EXPECT_EQ(stl_->GetCounters().keepAliveFailures, 1);
  EXPECT_EQ(recorder_.gone, 0);

  CallClientSimOptions options;
  options.announce = false;
  auto other = std::make_unique<CallClientSim>(v_.loop(), options);
  ASSERT_TRUE(other->Start());
  other->SetSilence(-1);
  auto attachFrom = [&](Hwnd window) {
    ASSERT_TRUE(PostMessage(stl_->GetWindow(), RegisterWindowMessage(CSTL::kAttachMessageName), window,
                            CSTL::kAttachSuccess));
    v_.RunUntilIdle();
  };
  attachFrom(other->window());
  EXPECT_EQ(recorder_.gone, 1);
  attachFrom(other->window());  // the same window again is the same client
  EXPECT_EQ(recorder_.gone, 1);

  other.reset();  // the attached client's window vanishes
  missAnswer();
  EXPECT_EQ(recorder_.gone, 2);
  missAnswer();
  EXPECT_EQ(recorder_.gone, 2);

  stl_->Disconnect();
  v_.RunUntilIdle();
  sim_.reset();
  missAnswer();
  EXPECT_EQ(recorder_.gone, 2);
}

// A command that awaits its reply from the former client's window is sent to the client that
// answers the attach from another window at once, not after its reply time-out.
TEST_F(TransportTest, AnotherClientsAttachGetsTheCommandAwaitingItsReply) {
  Start();
  DeviceToSkypeCmd a = UserStatusCmd();
  Queue(a);
  ASSERT_TRUE(PumpUntil([&] { return Sends(a) == 1; }));  // the silent first client has it
  CallClientSimOptions options;
  options.announce = false;
  CallClientSim other(v_.loop(), options);
  ASSERT_TRUE(other.Start());
  // The other client hears a discover of the link's and answers it.
  ASSERT_TRUE(PostMessage(other.window(), RegisterWindowMessage(CSTL::kDiscoverMessageName), stl_->GetWindow()));
  ASSERT_TRUE(PumpUntil([&] { return stl_->GetWaitQueueSize() == 0 && stl_->GetInQueueSize() == 0; }));
  EXPECT_EQ(std::count(other.received().begin(), other.received().end(), Wire(a)), 1);
  EXPECT_EQ(stl_->GetCounters().replyTimeouts, 0);
}

// ---- What the window takes ----------------------------------------------------------------------

TEST_F(TransportTest, CopyDataIsTakenOnlyFromTheClientWithData) {
  Start();
  Window stranger;
  ASSERT_TRUE(stranger.Create(v_.loop(), "QavStranger", u"", WindowKind::kLocal, DefWindowProc));
  struct Row {
    const char* name;
    Hwnd from;
    std::string bytes;
    LResult result;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"with its NUL", sim_->window(), std::string("USERSTATUS AWAY\0", 16), 1, {"USERSTATUS AWAY"}},
      {"without a NUL", sim_->window(), "USERSTATUS AWAY", 1, {"USERSTATUS AWAY"}},
      {"an embedded NUL ends the line", sim_->window(), std::string("USERSTATUS AWAY\0CALL 1 STATUS RINGING", 37), 1,
       {"USERSTATUS AWAY"}},
      {"size 0", sim_->window(), "", 0, {}},
      {"from another window", stranger.handle(), std::string("USERSTATUS AWAY\0", 16), 0, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    recorder_.lines.clear();
    EXPECT_EQ(SendCopyData(stl_->GetWindow(), row.from, 0, row.bytes).result, row.result);
    EXPECT_EQ(recorder_.lines, row.lines);
  }
}

TEST_F(TransportTest, NothingIsTakenBeforeTheAttach) {
  Start(AttachScript::kSilence);
  EXPECT_EQ(FromClient("USERSTATUS AWAY"), 0);
  EXPECT_TRUE(recorder_.lines.empty());
}

// ---- The queue guard and the end ----------------------------------------------------------------

// Another thread that fills the queue waits for room, and leaves the GUI thread (the call
// machine's commands) its reserve: the GUI thread never waits, and is refused only past it.
TEST_F(TransportTest, AFullQueueNeverHoldsTheGuiThreadAndLeavesItItsReserve) {
  Start(AttachScript::kSilence);  // never attached: every command stays queued
  std::atomic<int> queuedByOther{0};
  auto other = std::async(std::launch::async, [&] {
    for (int i = 0; i < CSTL::kMaxQueuedCmds + 2; ++i) {
      if (stl_->SendCmdAcknowledged(UserStatusCmd()) != 1) return false;
      ++queuedByOther;
    }
    return true;
  });
  // However the test ends, the waiting thread is let go before its future is waited for.
  struct EndLink {
    CSTL& stl;
    ~EndLink() { stl.End(); }
  } endLink{*stl_};
  ASSERT_TRUE(PumpUntil([&] { return queuedByOther == CSTL::kMaxQueuedCmds + 1; }));
  EXPECT_EQ(other.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);  // it waits for room

  for (int i = 0; i < CSTL::kGuiReserveCmds; ++i) ASSERT_EQ(stl_->SendCmdAcknowledged(UserStatusCmd()), 1) << i;
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(stl_->SendCmdAcknowledged(UserStatusCmd()), 0);  // past the reserve: refused at once
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  EXPECT_TRUE(Logged(LOG_WARNING, u"Msg Q is too big for too long"));
  v_.RunUntilIdle();
  EXPECT_EQ(stl_->GetInQueueSize(), static_cast<size_t>(CSTL::kMaxQueuedCmds + 1 + CSTL::kGuiReserveCmds));

  // The disconnect empties the queues, which lets the other thread queue its last command.
  stl_->Disconnect();
  ASSERT_TRUE(PumpUntil([&] { return other.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; }));
  EXPECT_TRUE(other.get());
  v_.RunUntilIdle();
  EXPECT_EQ(stl_->GetInQueueSize(), 1u);
}

TEST_F(TransportTest, EndFreesEverythingAndCallsNothingBack) {
  Start(AttachScript::kSilence);
  for (int i = 0; i < CSTL::kMaxQueuedCmds + 1; ++i) stl_->SendCmdAcknowledged(UserStatusCmd());
  v_.RunUntilIdle();
  // A caller on another thread, waiting for room, is let go by the end.
  auto other = std::async(std::launch::async, [&] { return stl_->SendCmdAcknowledged(UserStatusCmd()); });
  const size_t states = recorder_.states.size();
  EXPECT_EQ(stl_->End(), 1);
  EXPECT_EQ(other.get(), 0);
  EXPECT_EQ(recorder_.states.size(), states);  // the disconnect is not reported to an owner that is going
  EXPECT_EQ(stl_->SendCmdAcknowledged(UserStatusCmd()), 0);
  EXPECT_EQ(stl_->End(), 1);
  EXPECT_FALSE(IsWindow(stl_->GetWindow()));
  stl_.reset();
  v_.AdvanceMs(60000);  // no timer of the link is left
  EXPECT_EQ(sim_->discovers(), 1);
}

// The client on a thread of its own, so that a send to it can be held up while the link goes on.
// When the client answers the link's attach again for the window it already has, a command whose
// send is still queued behind the slow one is sent as soon as the sender is free, and its reply
// comes back without a time-out or a second send.
TEST(TransportReattach, ASendQueuedBehindASlowOneSurvivesAnAttachToTheSameWindow) {
  test::TempDir temp;
  test::ScopedEnv desktop("QAV_DESKTOP_DIR", temp.File("desktop"));
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> transcript;
  bool holdPing = false, pingHeld = false;
  auto say = [&](const std::string& line) {
    std::unique_lock lock(mutex);
    transcript.push_back(line);
    if (holdPing && line.find("PING") != std::string::npos) {
      pingHeld = true;
      changed.notify_all();
      changed.wait(lock, [&] { return !holdPing; });
    }
  };
  std::unique_ptr<CallClientSim> sim;
  Hwnd simWindow = 0;
  constexpr uint32_t kEndSim = 0x7F00;
  MessageThread simThread;
  ASSERT_TRUE(simThread.Start("sim", [&](MessageLoop& loop) {
    CallClientSimOptions options;
    options.announce = false;
    sim = std::make_unique<CallClientSim>(loop, options);
    sim->SetTranscript(say);
    if (sim->Start()) simWindow = sim->window();
    loop.SetThreadMessageHandler([&](Msg& m) {
      if (m.message == kEndSim) sim.reset();
    });
  }));
  ASSERT_NE(simWindow, 0u);

  VirtualLoop v;
  Recorder recorder(v);
  CSTL stl(v.loop());
  ASSERT_EQ(stl.Init(1, &recorder, &recorder), 1);
  auto pumpUntil = [&](const std::function<bool()>& done) { return test::PumpUntil(v, done, kRealWaitMs); };
  auto heard = [&](const std::string& part) {
    std::lock_guard lock(mutex);
    return std::count_if(transcript.begin(), transcript.end(),
                         [&](const std::string& l) { return l.starts_with("<- ") && l.find(part) != std::string::npos; });
  };
  stl.Connect();
  ASSERT_TRUE(pumpUntil([&] { return stl.GetConnectionState() == 7; }));

  // The PING after 4.8 s of silence is held up in the client.
  {
    std::lock_guard lock(mutex);
    holdPing = true;
  }
  v.AdvanceMs(CSTL::kPingPeriodMs);
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::milliseconds(kRealWaitMs), [&] { return pingHeld; }));
  }
  DeviceToSkypeCmd a = UserStatusCmd();
  ASSERT_EQ(stl.SendCmdAcknowledged(a), 1);
  v.RunUntilIdle();
  ASSERT_EQ(stl.GetWaitQueueSize(), 1u);  // handed to the sender, queued behind the PING
  // The client's attach success for the same window, as a second discover would bring it.
  ASSERT_TRUE(PostMessage(stl.GetWindow(), RegisterWindowMessage(CSTL::kAttachMessageName), simWindow,
                          CSTL::kAttachSuccess));
  v.RunUntilIdle();
  EXPECT_EQ(stl.GetConnectionState(), 7);
  {
    std::lock_guard lock(mutex);
    holdPing = false;
    changed.notify_all();
  }
  const std::string idA = "#" + std::to_string(a.GetId()) + " ";
  EXPECT_TRUE(pumpUntil([&] { return stl.GetWaitQueueSize() == 0; })) << "the command still waits for its reply";
  EXPECT_EQ(heard(idA), 1);
  EXPECT_EQ(stl.GetCounters().replyTimeouts, 0);

  stl.End();
  simThread.PostThreadMessage(kEndSim);
  simThread.Quit();
  EXPECT_TRUE(simThread.Join(kRealWaitMs));
}

TEST_F(TransportTest, CallsBeforeInitAreRefused) {
  CSTL stl(v_.loop());
  EXPECT_EQ(stl.GetConnectionState(), -1);
  EXPECT_EQ(stl.SendCmdAcknowledged(UserStatusCmd()), 0);
  EXPECT_EQ(stl.End(), 0);
  EXPECT_TRUE(log_.Has(LOG_WARNING, u"CSTL::End - Init not done"));
}

}  // namespace
