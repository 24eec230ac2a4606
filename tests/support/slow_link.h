// A slow line in front of a local server (sim/programs/sim_slow_link.py) on 127.0.0.1 with a free
// port, in a process of its own that ends with this object: it takes what the client sends at a
// steady rate and can stop taking anything part-way through one connection. It reports each
// connection's steps ("connected <n>", "moving <n>", "stalled <n>", "closed <n>").
#pragma once

#include "tests/support/script_peer.h"

namespace qav::test {

struct SlowLinkOptions {
  int targetPort = 0;
  int bytesPerSecond = 0;
  int stallConnection = 0;  // the connection (from 1) that stalls; 0 for none
  int stallAfterBytes = 0;
};

class SlowLink : public ScriptPeer {
 public:
  explicit SlowLink(const SlowLinkOptions& options);
};

}  // namespace qav::test
