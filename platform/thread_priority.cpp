#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qav {

namespace {

int NiceValue(ThreadPriority priority) {
  switch (priority) {
    case ThreadPriority::kLowest: return 19;
    case ThreadPriority::kBelowNormal: return 5;
    case ThreadPriority::kNormal: return 0;
    case ThreadPriority::kAboveNormal: return -5;
    case ThreadPriority::kHighest: return -15;
  }
  return 0;
}

}  // namespace

bool SetCurrentThreadPriority(ThreadPriority priority) {
  // With PRIO_PROCESS and a thread id, setpriority changes that one thread on Linux.
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  return setpriority(PRIO_PROCESS, tid, NiceValue(priority)) == 0;
}

}  // namespace qav
