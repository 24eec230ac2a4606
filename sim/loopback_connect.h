// Connecting to the program's loopback audio ports, as the call client does.
#pragma once

namespace qav::sim {

// A blocking TCP connection to 127.0.0.1:port with Nagle's delay off (40 ms blocks must not wait
// for more); -1 when the port is out of range or nobody listens.
int ConnectLoopback(int port);

}  // namespace qav::sim
