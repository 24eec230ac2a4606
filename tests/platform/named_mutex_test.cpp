// Named mutexes: one owner at a time across objects and processes, probes that never take them,
// and nothing kept by a program the owner starts.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <string>

#include "platform/named_mutex.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace qav::test {
namespace {

class NamedMutexTest : public ::testing::Test {
 protected:
  TempDir temp_;
  ScopedEnv desktop_{"QAV_DESKTOP_DIR", temp_.File("desktop")};
};

TEST_F(NamedMutexTest, OneOwnerAtATime) {
  EXPECT_FALSE(IsNamedMutexHeld("QavTestGuard")) << "never taken";
  NamedMutex first, second;
  ASSERT_TRUE(first.TryAcquire("QavTestGuard"));
  EXPECT_TRUE(IsNamedMutexHeld("QavTestGuard"));
  EXPECT_TRUE(IsNamedMutexHeld("QavTestGuard")) << "probing takes nothing";
  EXPECT_FALSE(second.TryAcquire("QavTestGuard"));
  EXPECT_FALSE(second.held());
  EXPECT_TRUE(second.TryAcquire("QavOtherGuard"));

  NamedMutex moved = std::move(first);
  EXPECT_TRUE(moved.held());
  EXPECT_FALSE(first.held());
  moved.Release();
  EXPECT_FALSE(IsNamedMutexHeld("QavTestGuard"));
  EXPECT_TRUE(second.TryAcquire("QavTestGuard")) << "and the other mutex is let go";
  EXPECT_FALSE(IsNamedMutexHeld("QavOtherGuard"));
}

TEST_F(NamedMutexTest, NamesBecomeOneFileInTheMutexFolder) {
  EXPECT_EQ(NamedMutexPath("Local\\QAV/1"), temp_.File("desktop") + "/mutex/Local%5CQAV%2F1");
  for (const std::string& bad : {std::string(), std::string(201, 'm')}) {
    NamedMutex mutex;
    EXPECT_EQ(NamedMutexPath(bad), "");
    EXPECT_FALSE(mutex.TryAcquire(bad)) << bad.size();
    EXPECT_FALSE(IsNamedMutexHeld(bad));
  }
  NamedMutex longest;
  EXPECT_TRUE(longest.TryAcquire(std::string(200, 'm')));
}

TEST_F(NamedMutexTest, AStartedProgramDoesNotKeepIt) {
  NamedMutex mutex;
  ASSERT_TRUE(mutex.TryAcquire("QavTestGuard"));
  // posix_spawn closes only close-on-exec descriptors.
  char sleep[] = "/bin/sleep", seconds[] = "60";
  char* argv[] = {sleep, seconds, nullptr};
  pid_t child = -1;
  ASSERT_EQ(posix_spawn(&child, "/bin/sleep", nullptr, nullptr, argv, environ), 0);
  mutex.Release();
  EXPECT_FALSE(IsNamedMutexHeld("QavTestGuard"));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

// The mutex as another process sees it: a forked child tries to take it.
bool TakenByAnotherProcess(const char* name) {
  const pid_t child = fork();
  if (child == 0) {
    NamedMutex mutex;
    _exit(mutex.TryAcquire(name) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(NamedMutexTest, OtherProcessesAreTurnedAwayAndProbingCreatesNothing) {
  EXPECT_FALSE(IsNamedMutexHeld("QAV"));
  EXPECT_FALSE(std::filesystem::exists(temp_.File("desktop")));  // a probe leaves no trace
  NamedMutex owner, waiter;
  ASSERT_TRUE(owner.TryAcquire("QAV"));
  EXPECT_FALSE(TakenByAnotherProcess("QAV"));
  EXPECT_FALSE(waiter.AcquireWithin("QAV", 0));
  owner.Release();
  EXPECT_TRUE(TakenByAnotherProcess("QAV"));
  EXPECT_TRUE(waiter.AcquireWithin("QAV", 0));
}

}  // namespace
}  // namespace qav::test
