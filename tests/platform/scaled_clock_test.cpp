#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

TEST(ScaledClock, RunsItsTimeFasterThanTheBaseAndWaitsTheRealShareOfIt) {
  struct Case {
    double scale;
    int64_t baseStepMs;
    int64_t expectedStepMs;
    int64_t waitMs;
    int64_t expectedRealWaitMs;
  };
  const Case cases[] = {
      {1, 100, 100, 40, 40},
      {8, 100, 800, 40, 5},
      {8, 1, 8, 3, 1},      // a wait never rounds down to a busy zero
      {0.5, 100, 50, 40, 80},
      {-3, 100, 100, 40, 40},  // a scale that makes no sense runs at the base's rate
  };
  for (const Case& c : cases) {
    qav::VirtualClock base(5000, {1'700'000'000, 0});
    qav::ScaledClock clock(c.scale, base);
    const int64_t start = clock.MonotonicMs();
    EXPECT_EQ(start, 5000);
    base.AdvanceMs(c.baseStepMs);
    EXPECT_EQ(clock.MonotonicMs() - start, c.expectedStepMs) << c.scale;
    EXPECT_EQ(clock.Now().seconds * 1000 + clock.Now().milliseconds, 1'700'000'000'000 + c.expectedStepMs) << c.scale;
    EXPECT_EQ(clock.RealWaitMs(c.waitMs), c.expectedRealWaitMs) << c.scale;
    EXPECT_EQ(clock.RealWaitMs(0), 0);
  }
}

}  // namespace
