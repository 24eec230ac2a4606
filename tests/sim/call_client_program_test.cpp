// The simulated call client as the program that is run by hand: its command line, its scenario
// steps, and the registry keys it leaves for the program to read.
#include <sys/wait.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/version.h"
#include "platform/text.h"
#include "sim/call_client_install.h"
#include "sim/call_client_scenario.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using namespace qav::sim;

namespace {

class CallClientProgramTest : public ::testing::Test {
 protected:
  std::optional<int> Run(const std::vector<std::string>& arguments, test::ChildProcess** keep = nullptr) {
    child_ = std::make_unique<test::ChildProcess>(QAV_SIM_CALLCLIENT, arguments);
    if (keep) *keep = child_.get();
    std::optional<int> status = child_->WaitForExit();
    if (!status || !WIFEXITED(*status)) return std::nullopt;
    return WEXITSTATUS(*status);
  }

  test::TempDir temp_;
  test::ScopedEnv desktop_{"QAV_DESKTOP_DIR", temp_.File("desktop")};
  test::ScopedEnv registry_{"QAV_REGISTRY_DIR", temp_.File("registry")};
  std::unique_ptr<test::ChildProcess> child_;
};

TEST_F(CallClientProgramTest, CommandLineErrorsEndWithStatusTwo) {
  ASSERT_TRUE(test::WriteFileBytes(temp_.File("bad.txt"), "wait-attach\nring x caller1\n"));
  const std::vector<std::vector<std::string>> rows = {
      {"--bogus"},
      {"--attach", "sometimes"},
      {"--authorize-ms", "-5"},
      {"--status", "SLEEPING"},
      {"--version", "3.8"},
      {"--step", "ring 1234"},
      {"--scenario", temp_.File("missing.txt")},
      {"--scenario", temp_.File("bad.txt")},
      {"--user"},
  };
  for (const auto& arguments : rows) EXPECT_EQ(Run(arguments), 2) << arguments[0];
  EXPECT_EQ(Run({"--help"}), 0);
}

TEST_F(CallClientProgramTest, RunsItsStepsAndLeavesTheInstalledClientsKeys) {
  test::ChildProcess* client = nullptr;
  EXPECT_EQ(Run({"--version", "3.6.0.216", "--step", "wait 10", "--step", "quit"}, &client), 0);
  const std::vector<std::string>& lines = client->AllLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "announce: API available");
  EXPECT_EQ(lines[1].rfind("ready ", 0), 0u);
  EXPECT_EQ(lines[2], "step wait 10");
  EXPECT_EQ(lines[3], "step quit");
  // What the program reads for the installed client.
  EXPECT_EQ(CVersion::GetSkypeVersion(u""), 0x030600D8);
  EXPECT_EQ(CVersion::GetSkypeVersion(U16(QAV_SIM_CALLCLIENT)), 0x030600D8);
}

TEST(CallClientInstallTest, RefusesAVersionThatIsNotFourNumbers) {
  test::TempDir temp;
  test::ScopedEnv registry("QAV_REGISTRY_DIR", temp.File("registry"));
  std::string error;
  for (const char* version : {"3.8.0", "3.8.0.256", "3.8.0.x", "", "3..0.1"}) {
    EXPECT_FALSE(WriteCallClientInstallKeys("/opt/client", version, &error)) << version;
  }
  EXPECT_TRUE(WriteCallClientInstallKeys("/opt/client", "2.6.0.81", &error)) << error;
  EXPECT_EQ(CVersion::GetSkypeVersion(u"/opt/client"), 0x02060051);
}

TEST(ScenarioTest, ReadsStepsAndNamesTheLineOfABadOne) {
  std::vector<ScenarioStep> steps;
  std::string error;
  ASSERT_TRUE(ParseScenario("# comment\n\nring 7 caller1 INCOMING_PSTN audio=/tmp/hello.wav\n  wait 250  \n"
                            "contact caller1 DISPLAYNAME Sam the Caller\nsilence on\nattach pending\n",
                            &steps, &error))
      << error;
  ASSERT_EQ(steps.size(), 5u);
  EXPECT_EQ(steps[0].verb, ScenarioVerb::kRing);
  EXPECT_EQ(steps[0].number, 7);
  EXPECT_EQ(steps[0].handle, "caller1");
  EXPECT_EQ(steps[0].type, "INCOMING_PSTN");
  EXPECT_EQ(steps[0].audio, "/tmp/hello.wav");
  EXPECT_EQ(steps[1].number, 250);
  EXPECT_EQ(steps[2].text, "Sam the Caller");
  EXPECT_EQ(steps[3].number, -1);
  EXPECT_EQ(steps[4].attach, AttachScript::kPending);

  const std::vector<std::pair<const char*, const char*>> bad = {
      {"wait\n", "line 1: wait: a number of milliseconds is needed"},
      {"notify X\nring 0 caller1\n", "line 2: ring: a call id (1 or more) is needed"},
      {"ring 5 caller1 OUTGOING_P2P\n", "line 1: ring: \"OUTGOING_P2P\" is neither INCOMING_P2P, INCOMING_PSTN nor audio=<file>"},
      {"status 5 SLEEPING\n", "line 1: status: a call status (RINGING, INPROGRESS, ...) is needed"},
      {"wait-attach now\n", "line 1: wait-attach: unexpected \"now\""},
      {"silence maybe\n", "line 1: silence: on, off or a number of commands is needed"},
      {"dance\n", "line 1: unknown step \"dance\""},
  };
  for (const auto& [text, why] : bad) {
    EXPECT_FALSE(ParseScenario(text, &steps, &error)) << text;
    EXPECT_EQ(error, why);
  }
}

}  // namespace
