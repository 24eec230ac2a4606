#include "platform/clock.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace qav {

namespace {

class RealClock : public Clock {
 public:
  int64_t MonotonicMs() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
  }
  WallTime Now() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return WallTime{static_cast<int64_t>(ts.tv_sec), static_cast<int>(ts.tv_nsec / 1'000'000)};
  }
};

std::atomic<Clock*> g_current{nullptr};

std::mutex g_idMutex;
std::function<uint32_t()> g_threadIdSource;
std::function<uint32_t()> g_processIdSource;
std::atomic<bool> g_idsOverridden{false};

// Every log record carries both ids, and the audio thread logs each block it moves, so they are
// asked of the kernel once per thread (and once per process) and kept. A forked child gets new ids:
// the fork handler forgets the forking thread's and the process's, the only ones the child has.
thread_local uint32_t t_threadId = 0;
std::atomic<uint32_t> g_processId{0};

void ForgetIdsInForkedChild() {
  t_threadId = 0;
  g_processId.store(0, std::memory_order_relaxed);
}

void RegisterForkHandlerOnce() {
  static const bool registered = [] {
    pthread_atfork(nullptr, nullptr, &ForgetIdsInForkedChild);
    return true;
  }();
  (void)registered;
}

}  // namespace

Clock& SystemClock() {
  static RealClock clock;
  return clock;
}

VirtualClock::VirtualClock(int64_t startMonotonicMs, WallTime startWall)
    : monotonicMs_(startMonotonicMs), wallMs_(startWall.seconds * 1000 + startWall.milliseconds) {}

int64_t VirtualClock::MonotonicMs() {
  std::lock_guard lock(mutex_);
  return monotonicMs_;
}

WallTime VirtualClock::Now() {
  std::lock_guard lock(mutex_);
  return WallTime{wallMs_ / 1000, static_cast<int>(wallMs_ % 1000)};
}

void VirtualClock::AdvanceMs(int64_t ms) {
  std::lock_guard lock(mutex_);
  if (ms < 0) return;  // monotonic time never goes back
  monotonicMs_ += ms;
  wallMs_ += ms;
}

void VirtualClock::SetWall(WallTime wall) {
  std::lock_guard lock(mutex_);
  wallMs_ = wall.seconds * 1000 + wall.milliseconds;
}

ScaledClock::ScaledClock(double scale, Clock& base)
    : base_(base),
      scale_(scale > 0 ? scale : 1.0),
      baseStartMs_(base.MonotonicMs()),
      wallStartMs_([&base] {
        const WallTime now = base.Now();
        return now.seconds * 1000 + now.milliseconds;
      }()) {}

int64_t ScaledClock::MonotonicMs() {
  return baseStartMs_ + static_cast<int64_t>(static_cast<double>(base_.MonotonicMs() - baseStartMs_) * scale_);
}

WallTime ScaledClock::Now() {
  const int64_t ms = wallStartMs_ + (MonotonicMs() - baseStartMs_);
  return WallTime{ms / 1000, static_cast<int>(ms % 1000)};
}

int64_t ScaledClock::RealWaitMs(int64_t clockMs) {
  if (clockMs <= 0) return clockMs;
  // Rounded up, so a loop never wakes before its timer is due and spins.
  return std::max<int64_t>(1, static_cast<int64_t>(std::ceil(static_cast<double>(clockMs) / scale_)));
}

Clock& CurrentClock() {
  Clock* c = g_current.load(std::memory_order_acquire);
  return c ? *c : SystemClock();
}

void SetCurrentClock(Clock* clock) { g_current.store(clock, std::memory_order_release); }

uint32_t CurrentThreadId() {
  if (g_idsOverridden.load(std::memory_order_acquire)) {
    std::lock_guard lock(g_idMutex);
    if (g_threadIdSource) return g_threadIdSource();
  }
  if (t_threadId == 0) {
    RegisterForkHandlerOnce();
    t_threadId = static_cast<uint32_t>(syscall(SYS_gettid));
  }
  return t_threadId;
}

uint32_t CurrentProcessId() {
  if (g_idsOverridden.load(std::memory_order_acquire)) {
    std::lock_guard lock(g_idMutex);
    if (g_processIdSource) return g_processIdSource();
  }
  uint32_t pid = g_processId.load(std::memory_order_relaxed);
  if (pid == 0) {
    RegisterForkHandlerOnce();
    pid = static_cast<uint32_t>(getpid());
    g_processId.store(pid, std::memory_order_relaxed);
  }
  return pid;
}

void SetThreadIdSource(std::function<uint32_t()> source) {
  std::lock_guard lock(g_idMutex);
  g_threadIdSource = std::move(source);
  g_idsOverridden.store(g_threadIdSource || g_processIdSource, std::memory_order_release);
}

void SetProcessIdSource(std::function<uint32_t()> source) {
  std::lock_guard lock(g_idMutex);
  g_processIdSource = std::move(source);
  g_idsOverridden.store(g_threadIdSource || g_processIdSource, std::memory_order_release);
}

}  // namespace qav
