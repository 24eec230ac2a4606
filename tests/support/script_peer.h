// A misbehaving peer of the tests' own, a Python script from sim/programs run with the system's
// Python in a process of its own that ends with this object. The script listens on 127.0.0.1 with a
// free port, says "ready <port>" once it does, then reports its steps a line each, so that a test
// can time the program against them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace qav::test {

class ScriptPeer {
 public:
  ScriptPeer(const std::string& script, const std::vector<std::string>& arguments);
  ScriptPeer(const ScriptPeer&) = delete;
  ScriptPeer& operator=(const ScriptPeer&) = delete;

  bool started() const { return port_ > 0; }
  int port() const { return port_; }
  // True when the script reports `step` within `timeoutMs`.
  bool WaitFor(const std::string& step, int timeoutMs = 30000);

 private:
  std::unique_ptr<ChildProcess> process_;
  int port_ = 0;
};

}  // namespace qav::test
