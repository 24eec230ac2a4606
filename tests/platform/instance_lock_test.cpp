#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/instance_lock.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

extern char** environ;

using namespace qav;

namespace {

class InstanceLockTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  test::ScopedEnv desktop_{"QAV_DESKTOP_DIR", dir_.path() + "/desktop"};
};

// The lock as another process sees it: a forked child tries to take it.
bool TakenByAnotherProcess(const char* name) {
  const pid_t child = fork();
  if (child == 0) {
    InstanceLock lock;
    _exit(lock.TryAcquire(name) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(InstanceLockTest, OneOwnerAtATimeAndProbingCreatesNothing) {
  EXPECT_FALSE(IsInstanceLockHeld("QAV"));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/desktop"));  // a probe leaves no trace

  InstanceLock first;
  ASSERT_TRUE(first.TryAcquire("QAV"));
  EXPECT_TRUE(IsInstanceLockHeld("QAV"));
  InstanceLock second;
  EXPECT_FALSE(second.TryAcquire("QAV"));
  EXPECT_FALSE(TakenByAnotherProcess("QAV"));
  EXPECT_TRUE(TakenByAnotherProcess("other/name"));  // another lock, its name escaped
  EXPECT_FALSE(second.AcquireWithin("QAV", 0));

  first.Release();
  EXPECT_FALSE(IsInstanceLockHeld("QAV"));
  EXPECT_TRUE(second.TryAcquire("QAV"));
  EXPECT_FALSE(second.TryAcquire(""));  // an unusable name, and the held lock was let go first
  EXPECT_FALSE(second.held());
}

TEST_F(InstanceLockTest, AProgramStartedByTheOwnerDoesNotKeepTheLock) {
  InstanceLock lock;
  ASSERT_TRUE(lock.TryAcquire("QAV"));
  // A plain spawn passes on every descriptor that is not close-on-exec.
  pid_t child = 0;
  char sleepName[] = "sleep", seconds[] = "60";
  char* argv[] = {sleepName, seconds, nullptr};
  ASSERT_EQ(posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ), 0);
  lock.Release();
  EXPECT_FALSE(IsInstanceLockHeld("QAV"));
  EXPECT_TRUE(TakenByAnotherProcess("QAV"));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

}  // namespace
