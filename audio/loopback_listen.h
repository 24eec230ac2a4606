// The listening step both directions of the loopback link share.
#pragma once

#include <memory>

#include "audio/soc_listener.h"

namespace qav {

// The address both loopback listeners bind: the link is between two programs on this machine.
inline constexpr const char* kLoopbackAddress = "127.0.0.1";

// Creates a listener on kLoopbackAddress:port (0: the system chooses) and starts listening with a
// backlog of 5. Returns it with the bound port, or null (logged) on failure.
std::unique_ptr<CSocListener> ListenOnLoopback(CSocListenerCallbacks* callbacks, int port, int* boundPort);

}  // namespace qav
