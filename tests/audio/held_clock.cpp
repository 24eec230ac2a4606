#include "tests/audio/held_clock.h"

#include <algorithm>
#include <cmath>

namespace qav::test {

namespace {
// How often a loop whose clock stands looks again (real milliseconds).
constexpr int64_t kStandingPollMs = 2;
}  // namespace

HeldClock::HeldClock(double scale)
    : scale_(scale > 0 ? scale : 1.0),
      anchorClockMs_(SystemClock().MonotonicMs()),
      anchorRealMs_(anchorClockMs_),
      startClockMs_(anchorClockMs_),
      wallStartMs_([] {
        const WallTime now = SystemClock().Now();
        return now.seconds * 1000 + now.milliseconds;
      }()) {}

int64_t HeldClock::NowLocked(int64_t realMs) const {
  const auto run = static_cast<int64_t>(static_cast<double>(realMs - anchorRealMs_) * scale_);
  return anchorClockMs_ + std::min(run, limitMs_ - anchorClockMs_);
}

int64_t HeldClock::MonotonicMs() {
  std::lock_guard lock(mutex_);
  return NowLocked(SystemClock().MonotonicMs());
}

WallTime HeldClock::Now() {
  const int64_t ms = wallStartMs_ + (MonotonicMs() - startClockMs_);
  return WallTime{ms / 1000, static_cast<int>(ms % 1000)};
}

int64_t HeldClock::RealWaitMs(int64_t clockMs) {
  if (clockMs <= 0) return clockMs;
  std::lock_guard lock(mutex_);
  const int64_t now = NowLocked(SystemClock().MonotonicMs());
  if (now >= limitMs_) return kStandingPollMs;
  const int64_t ahead = std::min(clockMs, limitMs_ - now);
  return std::max<int64_t>(1, static_cast<int64_t>(std::ceil(static_cast<double>(ahead) / scale_)));
}

int64_t HeldClock::Hold() {
  std::lock_guard lock(mutex_);
  const int64_t real = SystemClock().MonotonicMs();
  anchorClockMs_ = NowLocked(real);
  anchorRealMs_ = real;
  limitMs_ = anchorClockMs_;
  return anchorClockMs_;
}

void HeldClock::RunUntil(int64_t clockMs) {
  std::lock_guard lock(mutex_);
  const int64_t real = SystemClock().MonotonicMs();
  anchorClockMs_ = NowLocked(real);
  anchorRealMs_ = real;
  limitMs_ = std::max(clockMs, anchorClockMs_);
}

}  // namespace qav::test
