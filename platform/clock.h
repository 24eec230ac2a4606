// Time and identity seams.
//
// Every reading of the time, the thread id and the process id in the program goes through here, so
// tests can pin them: log records compare byte for byte and timers run on a virtual clock that a
// test advances by hand instead of sleeping.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace qav {

// Wall-clock time: seconds since 1970 (UTC) and milliseconds 0..999.
struct WallTime {
  int64_t seconds = 0;
  int milliseconds = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic milliseconds from an arbitrary origin; never goes back.
  virtual int64_t MonotonicMs() = 0;
  virtual WallTime Now() = 0;
  // Real milliseconds a thread waits for `clockMs` of this clock to pass (a loop blocking until its
  // next timer uses it). The real clocks pass time at its own rate.
  virtual int64_t RealWaitMs(int64_t clockMs) { return clockMs; }
};

// The real clocks of the machine.
Clock& SystemClock();

// A clock that moves only when told to. Thread-safe.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(int64_t startMonotonicMs = 1'000'000, WallTime startWall = {1'700'000'000, 0});
  int64_t MonotonicMs() override;
  WallTime Now() override;
  void AdvanceMs(int64_t ms);
  void SetWall(WallTime wall);

 private:
  std::mutex mutex_;
  int64_t monotonicMs_;
  int64_t wallMs_;
};

// A clock whose time passes `scale` times faster than the machine's (a scale of 10 makes one real
// second ten seconds long), from the moment it is made. Loops on it fire their timers that much
// sooner, so audio that is paced by timers (the call audio, the virtual sound devices) streams
// faster than real time where a test does not need the real pace. Thread-safe.
class ScaledClock : public Clock {
 public:
  explicit ScaledClock(double scale, Clock& base = SystemClock());
  int64_t MonotonicMs() override;
  WallTime Now() override;
  int64_t RealWaitMs(int64_t clockMs) override;
  double scale() const { return scale_; }

 private:
  Clock& base_;
  const double scale_;
  const int64_t baseStartMs_;
  const int64_t wallStartMs_;
};

// The process-wide clock that code without a clock of its own reads (the logger, file names).
// Defaults to SystemClock(). The caller keeps ownership; pass nullptr to restore the system clock.
Clock& CurrentClock();
void SetCurrentClock(Clock* clock);

// Thread and process ids as the program reports them (kernel thread id, process id). Tests can
// replace them; pass nullptr to restore the real ones.
uint32_t CurrentThreadId();
uint32_t CurrentProcessId();
void SetThreadIdSource(std::function<uint32_t()> source);
void SetProcessIdSource(std::function<uint32_t()> source);

}  // namespace qav
