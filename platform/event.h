// An event that threads wait on: manual reset (stays set until Reset) or auto reset (each Set
// releases one waiter and clears itself). Waits use the real monotonic clock.
#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/message.h"

namespace qav {

class Event {
 public:
  explicit Event(bool manualReset, bool initiallySet = false);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // True when the event was set within timeoutMs (kInfinite: no limit; 0: just look).
  bool Wait(int timeoutMs = kInfinite);

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  const bool manualReset_;
  bool set_;
};

}  // namespace qav
