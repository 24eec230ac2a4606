#include "tests/support/pump.h"

#include <chrono>

namespace qav::test {

bool PumpUntil(VirtualLoop& loop, const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  loop.RunUntilIdle();
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    loop.WaitForWork(20);
  }
  return true;
}

}  // namespace qav::test
