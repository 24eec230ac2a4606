#include "platform/process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/support/temp_dir.h"

using qav::test::TempDir;

TEST(Process, SplitsWindowsArguments) {
  const struct {
    std::u16string line;
    std::vector<std::u16string> arguments;
  } cases[] = {
      {u"", {}},
      {u"   \t ", {}},
      {u"a b\tc", {u"a", u"b", u"c"}},
      {u"  lead  trail  ", {u"lead", u"trail"}},
      {u"\"a b\" c", {u"a b", u"c"}},
      {u"x\"a b\"y", {u"xa by"}},               // quotes may sit inside an argument
      {u"\"\"", {u""}},                         // an empty argument
      {u"a \"\" b", {u"a", u"", u"b"}},
      {u"\"a \"\"b\"\" c\"", {u"a \"b\" c"}},   // doubled quotes inside quotes
      {u"a\\\\b", {u"a\\\\b"}},                 // backslashes without a quote stay
      {u"a\\\"b", {u"a\"b"}},                   // \" is a literal quote
      {u"a\\\\\"b c\"", {u"a\\b c"}},           // \\" is one backslash, then the quote opens
      {u"a\\\\\\\"b", {u"a\\\"b"}},             // \\\" is a backslash and a literal quote
      {u"\"C:\\Program Files\\\\\" next", {u"C:\\Program Files\\", u"next"}},
      {u"\"unclosed quote", {u"unclosed quote"}},
      {u"/uninstall /s", {u"/uninstall", u"/s"}},
  };
  for (const auto& c : cases) EXPECT_EQ(qav::SplitWindowsArguments(c.line), c.arguments) << qav::U8(c.line);
}

TEST(Process, SpawnAndWaitReportsExitCodes) {
  TempDir dir;
  const std::string spaced = dir.path() + "/folder with spaces";
  ASSERT_EQ(mkdir(spaced.c_str(), 0700), 0);
  const std::string output = spaced + "/out.txt";

  // The child writes its working folder and arguments, then ends with the code it was given.
  const qav::ProcessLaunch writer{
      u"/bin/sh", {u"-c", u"pwd > out.txt; printf '%s|' \"$@\" >> out.txt; exit 7", u"sh", u"two words", u"\"q\""},
      qav::U16(spaced)};
  EXPECT_EQ(qav::SpawnAndWait(writer), 7);
  EXPECT_EQ(qav::test::ReadFileBytes(output), spaced + "\ntwo words|\"q\"|");

  EXPECT_EQ(qav::SpawnAndWait({u"true", {}, u""}), 0);  // found in $PATH
  EXPECT_EQ(qav::SpawnAndWait({u"/bin/sh", {u"-c", u"exit 255"}, u""}), 255);
  EXPECT_EQ(qav::SpawnAndWait({u"/bin/sh", {u"-c", u"kill -TERM $$"}, u""}), 128 + SIGTERM);
}

TEST(Process, ProgramsThatCannotStartGiveMinusOne) {
  TempDir dir;
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("not-executable"), "#!/bin/sh\nexit 0\n"));
  const qav::ProcessLaunch cases[] = {
      {qav::U16(dir.File("missing")), {}, u""},
      {u"no-such-program-anywhere", {}, u""},
      {qav::U16(dir.File("not-executable")), {}, u""},
      {u"/bin/sh", {u"-c", u"exit 0"}, qav::U16(dir.File("no-folder"))},
      {u"", {}, u""},
  };
  for (const auto& c : cases) EXPECT_EQ(qav::SpawnAndWait(c), -1) << qav::U8(c.program);
  EXPECT_EQ(qav::SpawnDetached(cases[0]), -1);
}

TEST(Process, ChildrenGetOnlyTheStandardDescriptors) {
  TempDir dir;
  const int leaked = open(dir.File("held").c_str(), O_CREAT | O_WRONLY, 0600);  // no O_CLOEXEC
  ASSERT_GE(leaked, 3);
  const std::string probe = "[ -e /proc/self/fd/" + std::to_string(leaked) + " ] && exit 1; exit 0";
  EXPECT_EQ(qav::SpawnAndWait({u"/bin/sh", {u"-c", qav::U16(probe)}, u""}), 0);
  close(leaked);
}

TEST(Process, DetachedChildRunsInItsOwnSession) {
  TempDir dir;
  const std::string marker = dir.File("session");
  const pid_t pid = qav::SpawnDetached(
      {u"/bin/sh", {u"-c", qav::U16("cut -d' ' -f6 /proc/$$/stat > '" + marker + ".tmp'; mv '" + marker + ".tmp' '" + marker + "'")}, u""});
  ASSERT_GT(pid, 0);
  // Wait for the child's own signal (the file appearing), bounded, instead of a fixed sleep.
  for (int i = 0; i < 5000 && access(marker.c_str(), F_OK) != 0; ++i) usleep(1000);
  ASSERT_EQ(access(marker.c_str(), F_OK), 0);
  EXPECT_EQ(std::stoi(qav::test::ReadFileBytes(marker)), pid);  // session leader: sid == pid
}

TEST(Process, DetachedChildsExitCodeReachesItsCallback) {
  // Shared with the reaping thread, which may outlive a failed wait.
  auto ended = std::make_shared<std::promise<int>>();
  std::future<int> code = ended->get_future();
  ASSERT_GT(qav::SpawnDetached({u"/bin/sh", {u"-c", u"exit 3"}, u""}, [ended](int exitCode) { ended->set_value(exitCode); }),
            0);
  ASSERT_EQ(code.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(code.get(), 3);
}
