// Serving a virtual loop until something that real I/O brings about holds (a socket peer, a
// device's worker thread): waits in real time for work, with a bound, and never for a timer.
#pragma once

#include <functional>

#include "platform/virtual_loop.h"

namespace qav::test {

// True once `done` holds; false when it has not within timeoutMs of real time.
bool PumpUntil(VirtualLoop& loop, const std::function<bool()>& done, int timeoutMs = 5000);

}  // namespace qav::test
