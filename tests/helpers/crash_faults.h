// The faults the crash probes commit on purpose: each ends the program with a fatal signal.
#pragma once

#include <sys/mman.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/crash_signals.h"

namespace qav::test {

inline volatile int g_zero = 0;
inline volatile int g_one = 1;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
#pragma GCC diagnostic ignored "-Wterminate"
inline int Recurse(int depth) {
  volatile char fill[1024];
  fill[0] = static_cast<char>(depth);
  return Recurse(depth + 1) + fill[0];
}

// A real integer division by zero (the undefined-behaviour sanitizer would stop it first).
__attribute__((no_sanitize_undefined)) inline int Divide(int a, int b) { return a / b; }

// "segv", "overflow", "abort", "terminate", "fpe" or "raise" (a SIGSEGV sent, not a fault).
inline void CommitFault(const std::string& kind) {
  if (kind == "segv") {
    // A page that may not be touched: a real access violation, which no sanitizer takes for its own.
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
  } else if (kind == "overflow") {
    std::printf("%d\n", Recurse(0));
  } else if (kind == "abort") {
    std::abort();
  } else if (kind == "terminate") {
    []() noexcept { throw std::runtime_error("nobody caught this"); }();
  } else if (kind == "fpe") {
    std::printf("%d\n", Divide(g_one, g_zero));
  } else if (kind == "raise") {
    std::raise(SIGSEGV);
  }
}
#pragma GCC diagnostic pop

// The fault on a thread of its own, prepared as the program's threads are.
inline void CommitFaultOnThread(const std::string& kind) {
  std::thread worker([&] {
    PrepareThreadForCrashes();
    CommitFault(kind);
  });
  worker.join();
}

}  // namespace qav::test
