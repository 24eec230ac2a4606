// The simulated call client's API window on the virtual clock, with a stand-in for the program's
// transport window beside it: attach scripts, the attached-window rule, scenarios and faults.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/registered_message.h"
#include "platform/virtual_loop.h"
#include "platform/window.h"
#include "sim/call_client_sim.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using namespace qav::sim;

namespace {

class CallClientSimTest : public ::testing::Test {
 protected:
  void Start(CallClientSimOptions options = {}, const std::string& scenario = "") {
    program_.Create(v_.loop(), "QavProgramStandIn", u"", WindowKind::kTopLevel, [this](Msg& m) -> LResult {
      if (m.message == attachMsg_) attaches_.emplace_back(v_.NowMs() - t0_, m.lParam);
      if (m.message != WM_COPYDATA) return DefWindowProc(m);
      lines_.emplace_back(v_.NowMs() - t0_, m.Get<CopyDataPayload>()->bytes());
      return 1;
    });
    sim_ = std::make_unique<CallClientSim>(v_.loop(), options);
    std::vector<ScenarioStep> steps;
    std::string error;
    ASSERT_TRUE(ParseScenario(scenario, &steps, &error)) << error;
    sim_->AddSteps(steps);
    sim_->SetTranscript([this](const std::string& line) { transcript_.push_back(line); });
    ASSERT_TRUE(sim_->Start());
    v_.RunUntilIdle();
  }
  void Discover() {
    PostMessage(kHwndBroadcast, discoverMsg_, program_.handle(), 0);
    v_.RunUntilIdle();
  }
  // A command from the program's window (or another), as the program sends it.
  LResult Send(const std::string& command, Hwnd from = 0) {
    const LResult result = SendCopyData(sim_->window(), from ? from : program_.handle(), 0, command + '\0').result;
    v_.RunUntilIdle();
    return result;
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> texts;
    for (const auto& [time, bytes] : lines_) texts.push_back(bytes.substr(0, bytes.size() - 1));
    return texts;
  }

  test::TempDir temp_;
  test::ScopedEnv desktop_{"QAV_DESKTOP_DIR", temp_.File("desktop")};
  VirtualLoop v_;
  const int64_t t0_ = v_.NowMs();
  const uint32_t discoverMsg_ = RegisterWindowMessage("SkypeControlAPIDiscover");
  const uint32_t attachMsg_ = RegisterWindowMessage("SkypeControlAPIAttach");
  Window program_;
  std::unique_ptr<CallClientSim> sim_;
  std::vector<std::pair<int64_t, int64_t>> attaches_;       // (ms since start, status)
  std::vector<std::pair<int64_t, std::string>> lines_;      // (ms since start, bytes)
  std::vector<std::string> transcript_;
};

using Attaches = std::vector<std::pair<int64_t, int64_t>>;

TEST_F(CallClientSimTest, AnswersDiscoversAsItsAttachScriptSays) {
  struct Row {
    AttachScript script;
    Attaches first;   // after the first discover, at 0 ms
    Attaches second;  // after a second one at 5000 ms
  };
  const Row rows[] = {
      {AttachScript::kSuccess, {{0, 0}}, {{5000, 0}}},
      {AttachScript::kPending, {{0, 1}, {1000, 0}}, {{5000, 0}}},
      {AttachScript::kRefused, {{0, 2}}, {{5000, 2}}},
      {AttachScript::kNotAvailable, {{0, 3}}, {{5000, 3}}},
      {AttachScript::kSilence, {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(AttachScriptName(row.script)));
    sim_.reset();
    program_.Destroy();
    CallClientSimOptions options;
    options.attach = row.script;
    options.announce = false;
    Start(options);
    const int64_t start = v_.NowMs() - t0_;
    attaches_.clear();
    Discover();
    v_.AdvanceMs(5000);
    Attaches expected;
    for (auto [time, status] : row.first) expected.emplace_back(start + time, status);
    EXPECT_EQ(attaches_, expected);
    attaches_.clear();
    Discover();
    expected.clear();
    for (auto [time, status] : row.second) expected.emplace_back(start + time, status);
    EXPECT_EQ(attaches_, expected);
    const bool attached = !row.first.empty() && row.first.back().second == 0;
    EXPECT_EQ(sim_->attached(), attached ? program_.handle() : 0);
    EXPECT_EQ(sim_->discovers(), 2);
    v_.AdvanceMs(10000);
  }
}

TEST_F(CallClientSimTest, AnnouncesTheApiAtStart) {
  Start();
  EXPECT_EQ(attaches_, (Attaches{{0, CallClientSim::kStatusApiAvailable}}));
}

TEST_F(CallClientSimTest, TakesCommandsFromTheAttachedWindowOnly) {
  Start();
  Window stranger;
  ASSERT_TRUE(stranger.Create(v_.loop(), "QavStranger", u"", WindowKind::kLocal, DefWindowProc));
  EXPECT_EQ(Send("#1 GET USERSTATUS"), 0);  // not attached yet
  Discover();
  EXPECT_EQ(Send("#3 GET USERSTATUS", stranger.handle()), 0);
  EXPECT_EQ(Send("#5 GET USERSTATUS"), 1);
  EXPECT_EQ(Send("PING"), 1);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"#5 USERSTATUS ONLINE", "PONG"}));
  EXPECT_EQ(sim_->received(), (std::vector<std::string>{std::string("#5 GET USERSTATUS\0", 18), std::string("PING\0", 5)}));
  EXPECT_EQ(QuoteBytes(sim_->received()[0] + "\xe2\x84\xa2\"\\"), "\"#5 GET USERSTATUS\\0\\xe2\\x84\\xa2\\\"\\\\\"");
}

TEST_F(CallClientSimTest, PlaysAScenarioWithItsWaits) {
  Start({}, R"(# a caller rings, the program answers, the caller speaks for two seconds and hangs up
wait-attach
contact caller1 FULLNAME Sample Caller
ring 1234 caller1
wait-command ALTER CALL 1234 ANSWER
wait 2000
hangup 1234
wait-call 1234 FINISHED
user-status AWAY
)");
  EXPECT_TRUE(Lines().empty());
  v_.AdvanceMs(100);
  Discover();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"USER caller1 FULLNAME Sample Caller", "CALL 1234 STATUS RINGING"}));
  v_.AdvanceMs(400);
  Send("#7 ALTER CALL 1234 ANSWER");
  v_.AdvanceMs(1999);
  EXPECT_EQ(lines_.size(), 4u);
  v_.AdvanceMs(1);
  const std::vector<std::pair<int64_t, std::string>> expected = {
      {100, std::string("USER caller1 FULLNAME Sample Caller\0", 36)},
      {100, std::string("CALL 1234 STATUS RINGING\0", 25)},
      {500, std::string("#7 ALTER CALL 1234 ANSWER\0", 26)},
      {500, std::string("CALL 1234 STATUS INPROGRESS\0", 28)},
      {2500, std::string("CALL 1234 STATUS FINISHED\0", 26)},
      {2500, std::string("USERSTATUS AWAY\0", 16)},
  };
  EXPECT_EQ(lines_, expected);
  EXPECT_TRUE(sim_->ScenarioDone());
}

TEST_F(CallClientSimTest, InjectsFaults) {
  Start({}, "wait-attach\nsilence 2\nwait-command GET CONNSTATUS\nerror68 Access denied\n");
  Discover();
  Send("#1 GET USERSTATUS");
  Send("#3 GET USERSTATUS");  // both unanswered
  Send("#5 GET CONNSTATUS");  // answered, then the attachment is dropped
  EXPECT_EQ(Lines(), (std::vector<std::string>{"#5 CONNSTATUS ONLINE", "ERROR 68 Access denied"}));
  EXPECT_EQ(sim_->attached(), 0u);
  EXPECT_EQ(Send("#7 GET USERSTATUS"), 0);
  Discover();
  EXPECT_EQ(Send("#9 GET USERSTATUS"), 1);
  EXPECT_EQ(Lines().back(), "#9 USERSTATUS ONLINE");

  sim_->AddSteps({[] {
    ScenarioStep die;
    std::string error;
    EXPECT_TRUE(ParseScenarioStep("die", &die, &error));
    return die;
  }()});
  EXPECT_FALSE(IsWindow(sim_->window()));
  EXPECT_EQ(SendCopyData(sim_->window(), program_.handle(), 0, std::string("PING\0", 5)).status, SendStatus::kNoWindow);
}

TEST_F(CallClientSimTest, ReportsWhatCannotBeDoneAndGoesOn) {
  Start({}, "wait-attach\nhangup 99\nstatus 1234 RINGING\ncontact caller1 SHOESIZE 44\nnotify USERSTATUS NA\n");
  Discover();
  EXPECT_EQ(Lines(), std::vector<std::string>{"USERSTATUS NA"});
  int errors = 0;
  for (const std::string& line : transcript_) errors += line.rfind("error: ", 0) == 0;
  EXPECT_EQ(errors, 3);
}

}  // namespace
