// Leftover temporary files: what a crashed run left is removed at the next start, what a running
// writer still holds (in this process or another) and every other name stays.
#include "platform/leftover_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "foundation/app_folders.h"
#include "platform/text.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace qav::test {
namespace {

namespace fs = std::filesystem;

bool Exists(const std::string& path) { return fs::symlink_status(path).type() != fs::file_type::not_found; }

TEST(LeftoverFiles, OnlyUnheldFilesOfThePrefixAreRemoved) {
  TempDir dir;
  TempDir outside;
  const std::string target = outside.File("TempNewGreeting-target.wav");
  ASSERT_TRUE(WriteFileBytes(dir.File("TempNewGreeting-crashed.wav"), "RIFF"));
  ASSERT_TRUE(WriteFileBytes(dir.File("TempNewGreeting-writing.wav"), "RIFF"));
  ASSERT_TRUE(WriteFileBytes(dir.File("greeting.wav"), "RIFF"));
  ASSERT_TRUE(WriteFileBytes(dir.File("OtherTempNewGreeting-x.wav"), "RIFF"));
  ASSERT_TRUE(WriteFileBytes(target, "RIFF"));
  fs::create_symlink(target, dir.File("TempNewGreeting-link.wav"));
  fs::create_directory(dir.File("TempNewGreeting-folder"));
  const FileInUse writing(U16(dir.File("TempNewGreeting-writing.wav")));
  ASSERT_TRUE(writing.IsHeld());

  const std::vector<std::u16string> removed = RemoveLeftoverFiles(U16(dir.path() + "/"), u"TempNewGreeting-");
  EXPECT_EQ(removed, std::vector<std::u16string>{u"TempNewGreeting-crashed.wav"});
  EXPECT_FALSE(Exists(dir.File("TempNewGreeting-crashed.wav")));
  for (const char* kept : {"TempNewGreeting-writing.wav", "greeting.wav", "OtherTempNewGreeting-x.wav",
                           "TempNewGreeting-link.wav", "TempNewGreeting-folder"}) {
    EXPECT_TRUE(Exists(dir.File(kept))) << kept;
  }
  EXPECT_TRUE(Exists(target)) << "a link is never followed";
}

// The lock goes with its process: a writer that died without a word leaves a file the next start
// removes, while one held by a live process stays.
TEST(LeftoverFiles, AFileIsInUseUntilItsWritersProcessEnds) {
  TempDir dir;
  const std::string path = dir.File("TempNewGreeting-other.wav");
  ASSERT_TRUE(WriteFileBytes(path, "RIFF"));
  int ready[2];
  int finish[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(finish), 0);
  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    const FileInUse held(U16(path));
    char byte = held.IsHeld() ? 1 : 0;
    (void)!write(ready[1], &byte, 1);
    (void)!read(finish[0], &byte, 1);
    _exit(0);  // no destructor runs: the system drops the lock
  }
  char held = 0;
  ASSERT_EQ(read(ready[0], &held, 1), 1);
  ASSERT_EQ(held, 1);
  EXPECT_TRUE(RemoveLeftoverFiles(U16(dir.path() + "/"), u"TempNewGreeting-").empty());
  EXPECT_TRUE(Exists(path));
  const char go = 1;
  ASSERT_EQ(write(finish[1], &go, 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(writer, &status, 0), writer);
  EXPECT_EQ(RemoveLeftoverFiles(U16(dir.path() + "/"), u"TempNewGreeting-").size(), 1u);
  EXPECT_FALSE(Exists(path));
  for (int fd : {ready[0], ready[1], finish[0], finish[1]}) close(fd);
}

// At start-up only the private temporary folder is swept, only of greeting recordings.
TEST(LeftoverFiles, TheStartUpSweepTakesTheGreetingRecordingsOfThePrivateTemporaryFolder) {
  TempDir dir;
  const ScopedEnv temp("QAV_TEMP_DIR", dir.path() + "/temp");
  const std::u16string recording = GetTempFileNameWithPrefix(kGreetingRecordingPrefix, u".wav");
  ASSERT_FALSE(recording.empty());
  const std::u16string report = GetTempFileNameWithPrefix(u"QAV", u".tmp");
  EXPECT_EQ(RemoveLeftoverGreetingRecordings(), 1);
  EXPECT_FALSE(Exists(U8(recording)));
  EXPECT_TRUE(Exists(U8(report)));
}

}  // namespace
}  // namespace qav::test
