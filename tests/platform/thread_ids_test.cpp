#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "platform/clock.h"

namespace {

TEST(ThreadIds, KeptPerThreadYetAlwaysTheKernelsOwn) {
  EXPECT_EQ(qav::CurrentThreadId(), static_cast<uint32_t>(syscall(SYS_gettid)));
  EXPECT_EQ(qav::CurrentProcessId(), static_cast<uint32_t>(getpid()));
  const uint32_t mine = qav::CurrentThreadId();

  uint32_t other = 0;
  uint32_t otherKernel = 0;
  std::thread worker([&] {
    other = qav::CurrentThreadId();
    otherKernel = static_cast<uint32_t>(syscall(SYS_gettid));
  });
  worker.join();
  EXPECT_EQ(other, otherKernel);
  EXPECT_NE(other, mine);
  EXPECT_EQ(qav::CurrentThreadId(), mine);
}

TEST(ThreadIds, AForkedChildReportsItsOwnIds) {
  const uint32_t parentPid = qav::CurrentProcessId();
  (void)qav::CurrentThreadId();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const bool own = qav::CurrentProcessId() == static_cast<uint32_t>(getpid()) &&
                     qav::CurrentProcessId() != parentPid &&
                     qav::CurrentThreadId() == static_cast<uint32_t>(syscall(SYS_gettid));
    _exit(own ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
