#include <gtest/gtest.h>
#include <signal.h>

#include <vector>

#include "platform/stop_signals.h"
#include "platform/virtual_loop.h"

using namespace qav;

namespace {

TEST(StopSignals, ArriveAsLoopEvents) {
  BlockStopSignals();
  VirtualLoop v;
  std::vector<int> seen;
  StopSignals signals;
  ASSERT_TRUE(signals.Start(v.loop(), [&](int signal) { seen.push_back(signal); }));
  raise(SIGHUP);  // to this thread, where it is blocked: it waits in the signalfd
  raise(SIGINT);
  EXPECT_TRUE(v.WaitForWork(5000));
  v.RunUntilIdle();
  EXPECT_EQ(seen, (std::vector<int>{SIGHUP, SIGINT}));
}

}  // namespace
