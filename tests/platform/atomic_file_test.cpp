// Moving a file over another in one step: on one file system by rename, across file systems by a
// whole copy beside the target first; a failure leaves both files as they were.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/atomic_file.h"
#include "tests/support/temp_dir.h"

namespace {

using qav::test::ReadFileBytes;
using qav::test::TempDir;
using qav::test::WriteFileBytes;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

dev_t DeviceOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_dev : 0;
}

TEST(MoveFileReplacing, ReplacesTheTargetWholeAndRemovesTheSource) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File("new.wav"), "new greeting"));
  ASSERT_TRUE(WriteFileBytes(dir.File("greeting.wav"), "old greeting, longer than the new one"));
  std::string problem;
  ASSERT_TRUE(qav::MoveFileReplacing(dir.File("new.wav"), dir.File("greeting.wav"), &problem)) << problem;
  EXPECT_EQ(ReadFileBytes(dir.File("greeting.wav")), "new greeting");
  EXPECT_FALSE(Exists(dir.File("new.wav")));

  // A target that cannot be replaced (a folder with something in it): both stay, and why is told.
  ASSERT_TRUE(WriteFileBytes(dir.File("other.wav"), "another recording"));
  ASSERT_EQ(::mkdir(dir.File("taken.wav").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFileBytes(dir.File("taken.wav/inside"), "x"));
  EXPECT_FALSE(qav::MoveFileReplacing(dir.File("other.wav"), dir.File("taken.wav"), &problem));
  EXPECT_FALSE(problem.empty());
  EXPECT_EQ(ReadFileBytes(dir.File("other.wav")), "another recording");
  EXPECT_EQ(ReadFileBytes(dir.File("taken.wav/inside")), "x");
}

TEST(MoveFileReplacing, AcrossFileSystemsCopiesWholeBeforeTheRenameAndKeepsTheMode) {
  TempDir dir;
  const char* shm = "/dev/shm";
  if (!Exists(shm) || DeviceOf(shm) == DeviceOf(dir.path())) GTEST_SKIP() << "no second file system at hand";
  std::string source = std::string(shm) + "/qav-move-test-XXXXXX";
  const int fd = ::mkstemp(source.data());
  ASSERT_GE(fd, 0);
  ::close(fd);
  const std::string bytes(300000, '\x5a');  // more than one copy block
  ASSERT_TRUE(WriteFileBytes(source, bytes));
  ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileBytes(dir.File("greeting.wav"), "old"));
  std::string problem;
  ASSERT_TRUE(qav::MoveFileReplacing(source, dir.File("greeting.wav"), &problem)) << problem;
  EXPECT_EQ(ReadFileBytes(dir.File("greeting.wav")), bytes);
  EXPECT_FALSE(Exists(source));
  struct stat st {};
  ASSERT_EQ(::stat(dir.File("greeting.wav").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
