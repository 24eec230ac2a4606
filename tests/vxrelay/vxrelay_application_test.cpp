// The library against the webcam stand-in, a real second process on a private desktop: what it
// sends, what it reads back, how it tests and starts the application.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/named_mutex.h"
#include "tests/support/scoped_env.h"
#include "tests/support/vidralux_desk.h"
#include "tests/vxrelay/vxrelay_library.h"

namespace qav::test {
namespace {

using Strings = std::vector<std::string>;

constexpr int kEndTimeoutMs = 10000;

class VxrelayApplication : public ::testing::Test {
 protected:
  // The stand-in's "start" line: pid, working folder, arguments.
  sim::VidraluxRecordLine StartLine(size_t index = 0) const {
    size_t seen = 0;
    for (const auto& line : desk_.Record()) {
      if (line[0] == "start" && seen++ == index) return line;
    }
    return {};
  }

  VidraluxDesk desk_;
};

TEST_F(VxrelayApplication, WithoutControlWindowEveryCommandFailsAndNothingIsSent) {
  const auto& lib = Vxrelay();
  EXPECT_EQ(lib.SetFile("/videos/greeting.avi"), 0);
  EXPECT_EQ(lib.GetFile(), nullptr);
  EXPECT_EQ(lib.Start(), 0);
  EXPECT_EQ(lib.Stop(), 0);
  EXPECT_EQ(lib.Pause(), 0);
  EXPECT_EQ(lib.Exit(), 0);
  EXPECT_TRUE(desk_.Record().empty());
}

TEST_F(VxrelayApplication, SetFileSendsTheTextThenThePlayCommand) {
  ASSERT_GT(desk_.StartStandIn(), 0);
  const auto& lib = Vxrelay();
  EXPECT_EQ(lib.SetFile("/videos/my greeting é.avi"), 1);
  EXPECT_EQ(lib.Start(), 1);
  EXPECT_EQ(lib.Pause(), 1);
  EXPECT_EQ(lib.Stop(), 1);
  EXPECT_EQ(desk_.Requests(), (Strings{"settext /videos/my greeting é.avi 1", "command 1 1", "command 3 1",
                                       "command 5 1", "command 4 1"}));
}

TEST_F(VxrelayApplication, SetFileRefusedTextOrBadPathSendsNoPlay) {
  ASSERT_GT(desk_.StartStandIn(), 0);
  const auto& lib = Vxrelay();
  const std::string tooLong = "/" + std::string(519, 'v');  // the stand-in takes 519 bytes
  EXPECT_EQ(lib.SetFile(tooLong.c_str()), 0);
  EXPECT_EQ(lib.SetFile("/videos/\xC3(.avi"), 0) << "invalid UTF-8 would name another file";
  EXPECT_EQ(lib.SetFile(nullptr), 0);
  EXPECT_EQ(lib.SetFile(""), 0) << "the stand-in has no file to play";
  EXPECT_EQ(desk_.Requests(), (Strings{"settext " + tooLong + " 0", "settext  1", "command 1 0"}));
}

TEST_F(VxrelayApplication, GetFileReadsTheCurrentFileBackAndNothingWithoutOne) {
  ASSERT_GT(desk_.StartStandIn(), 0);
  const auto& lib = Vxrelay();
  EXPECT_EQ(lib.GetFile(), nullptr) << "no current file yet";
  ASSERT_EQ(lib.SetFile("/videos/a.avi"), 1);
  const char* file = lib.GetFile();
  ASSERT_NE(file, nullptr);
  EXPECT_STREQ(file, "/videos/a.avi");
  EXPECT_EQ(desk_.Requests(), (Strings{"command 2 1", "settext /videos/a.avi 1", "command 1 1", "command 2 1"}));

  const std::string longest = "/" + std::string(518, 'v');  // with its zero, the whole 520-byte buffer
  ASSERT_EQ(lib.SetFile(longest.c_str()), 1);
  ASSERT_NE(lib.GetFile(), nullptr);
  EXPECT_EQ(std::string(lib.GetFile()), longest);
}

TEST_F(VxrelayApplication, IsRunningFollowsTheMutex) {
  const auto& lib = Vxrelay();
  EXPECT_EQ(lib.IsRunning(), 0);
  EXPECT_EQ(lib.IsRunning(), 0) << "testing took nothing";
  {
    NamedMutex held;
    ASSERT_TRUE(held.TryAcquire("QuenmarkVidraluxCopyGuard"));
    EXPECT_EQ(lib.IsRunning(), -1);
  }
  EXPECT_EQ(lib.IsRunning(), 0);

  const pid_t standIn = desk_.StartStandIn();
  ASSERT_GT(standIn, 0);
  EXPECT_EQ(lib.IsRunning(), -1);
  EXPECT_EQ(lib.Exit(), 1);
  ASSERT_TRUE(WaitForProcessEnd(standIn, kEndTimeoutMs));
  EXPECT_EQ(lib.IsRunning(), 0);
}

TEST_F(VxrelayApplication, RunStartsFromTheInstallationFolderWithSpaces) {
  struct Case {
    bool minimized;
    Strings arguments;
  } cases[] = {{false, {}}, {true, {"/min"}}};
  for (const auto& c : cases) {
    VidraluxDesk desk;
    desk.Install();
    const auto& lib = Vxrelay();
    EXPECT_EQ(c.minimized ? lib.RunMinimized() : lib.Run(), -1);
    const auto record = desk.Record();
    ASSERT_GE(record.size(), 2u);
    ASSERT_EQ(record[0][0], "start");
    EXPECT_EQ(record[0][2], std::filesystem::canonical(desk.installFolder()).string()) << "working folder";
    EXPECT_EQ(Strings(record[0].begin() + 3, record[0].end()), c.arguments);
    EXPECT_EQ(record[1], (sim::VidraluxRecordLine{"ready", record[0][1], c.minimized ? "minimized" : "normal"}));
    EXPECT_EQ(lib.IsRunning(), -1);
  }
}

TEST_F(VxrelayApplication, RunWaitsUntilASlowApplicationIsReady) {
  ScopedEnv slow("QAV_SIM_VIDRALUX_READY_DELAY_MS", "400");
  desk_.Install(RegistryRoot::kCurrentUser);
  const auto& lib = Vxrelay();
  ASSERT_EQ(lib.RunMinimized(), -1);
  // Ready when Run returns: the first command finds the window.
  EXPECT_EQ(lib.Start(), 1);
  EXPECT_EQ(desk_.Requests(), Strings{"command 3 1"});
}

TEST_F(VxrelayApplication, RunFailsWithoutInstallationOrProgram) {
  const auto& lib = Vxrelay();
  EXPECT_EQ(lib.Run(), 0) << "not installed";
  desk_.Install();
  std::filesystem::remove(desk_.installFolder() + "/Vidralux.exe");
  EXPECT_EQ(lib.RunMinimized(), 0) << "no program in the folder";
  EXPECT_TRUE(desk_.Record().empty());
}

TEST_F(VxrelayApplication, SecondCopyEndsAndTheFirstKeepsServing) {
  desk_.Install();
  ASSERT_GT(desk_.StartStandIn(), 0);
  const auto& lib = Vxrelay();
  EXPECT_EQ(lib.Run(), -1) << "started, even though the copy gave way";
  const auto record = desk_.Record();
  ASSERT_EQ(record.size(), 4u);
  EXPECT_EQ(record[2][0], "start");
  EXPECT_EQ(record[3], (sim::VidraluxRecordLine{"second-instance", record[2][1]}));
  EXPECT_EQ(desk_.ReadyStandIns().size(), 1u);
  EXPECT_EQ(lib.Start(), 1);
}

}  // namespace
}  // namespace qav::test
