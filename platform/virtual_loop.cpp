#include "platform/virtual_loop.h"

namespace qav {

namespace {
constexpr int kMaxRounds = 100000;
}

VirtualLoop::VirtualLoop(int64_t startMonotonicMs) : clock_(startMonotonicMs), loop_(clock_) {}

bool VirtualLoop::RunUntilIdle() {
  for (int round = 0; round < kMaxRounds; ++round) {
    if (!loop_.ProcessDue()) return true;
  }
  return false;
}

void VirtualLoop::AdvanceMs(int64_t ms) {
  const int64_t target = NowMs() + (ms > 0 ? ms : 0);
  RunUntilIdle();
  for (int round = 0; round < kMaxRounds; ++round) {
    auto delay = loop_.NextTimerDelayMs();
    if (!delay || NowMs() + *delay > target) break;
    clock_.AdvanceMs(*delay);
    RunUntilIdle();
  }
  clock_.AdvanceMs(target - NowMs());
  RunUntilIdle();
}

bool VirtualLoop::AdvanceToNextTimer() {
  RunUntilIdle();
  auto delay = loop_.NextTimerDelayMs();
  if (!delay) return false;
  clock_.AdvanceMs(*delay);
  RunUntilIdle();
  return true;
}

bool VirtualLoop::WaitForWork(int timeoutMs) {
  bool ready = loop_.WaitForWork(timeoutMs);
  RunUntilIdle();
  return ready;
}

}  // namespace qav
