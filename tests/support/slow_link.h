// A slow line in front of a local server (sim/programs/sim_slow_link.py) on 127.0.0.1 with a free
// port, in a process of its own that ends with this object: it takes what the client sends at a
// steady rate and can stop taking anything part-way through one connection. It reports each
// connection's steps ("connected <n>", "moving <n>", "stalled <n>", "closed <n>").
#pragma once

#include <memory>
#include <string>

#include "tests/support/child_process.h"

namespace qav::test {

struct SlowLinkOptions {
  int targetPort = 0;
  int bytesPerSecond = 0;
  int stallConnection = 0;  // the connection (from 1) that stalls; 0 for none
  int stallAfterBytes = 0;
};

class SlowLink {
 public:
  explicit SlowLink(const SlowLinkOptions& options);
  SlowLink(const SlowLink&) = delete;
  SlowLink& operator=(const SlowLink&) = delete;

  bool started() const { return port_ > 0; }
  int port() const { return port_; }
  // True when the link reports `step` (e.g. "stalled 2") within `timeoutMs`.
  bool WaitFor(const std::string& step, int timeoutMs = 30000);

 private:
  std::unique_ptr<ChildProcess> process_;
  int port_ = 0;
};

}  // namespace qav::test
