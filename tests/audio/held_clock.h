// A clock for the audio thread that a test can stop: it runs `scale` times faster than the
// machine's, but never past the point the test holds it at. The virtual sound device keeps time on
// its loop's clock, so while the clock stands the device plays and records nothing, and a test can
// put the thread exactly where it wants it (blocks queued but none played; the file read to the
// end with three blocks still in flight) before it makes a request. Time goes on from where it
// stood, without a jump. Thread-safe.
#pragma once

#include <cstdint>
#include <limits>
#include <mutex>

#include "platform/clock.h"

namespace qav::test {

class HeldClock : public Clock {
 public:
  explicit HeldClock(double scale);

  int64_t MonotonicMs() override;
  WallTime Now() override;
  int64_t RealWaitMs(int64_t clockMs) override;

  // Stands still from now on; returns the time it stands at.
  int64_t Hold();
  // Runs on until `clockMs` and stands there (at once when that is not ahead).
  void RunUntil(int64_t clockMs);
  // Runs on without a limit.
  void Run() { RunUntil(std::numeric_limits<int64_t>::max()); }

 private:
  int64_t NowLocked(int64_t realMs) const;

  std::mutex mutex_;
  const double scale_;
  int64_t anchorClockMs_;
  int64_t anchorRealMs_;
  int64_t limitMs_ = std::numeric_limits<int64_t>::max();
  const int64_t startClockMs_;
  const int64_t wallStartMs_;
};

}  // namespace qav::test
