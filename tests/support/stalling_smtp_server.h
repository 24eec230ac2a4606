// A mail server that misbehaves on purpose (sim/programs/sim_stalling_smtp_server.py) on 127.0.0.1
// with a free port, in a process of its own that ends with this object: it never answers, drips
// its greeting a byte a second, or stalls once the message's end has arrived. It reports each step
// of a connection ("connected", "data-end", "closed") so a test can time the client against them.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tests/support/child_process.h"

namespace qav::test {

enum class SmtpMisbehaviour { kSilent, kDrip, kStallAfterData };

class StallingSmtpServer {
 public:
  explicit StallingSmtpServer(SmtpMisbehaviour mode);
  StallingSmtpServer(const StallingSmtpServer&) = delete;
  StallingSmtpServer& operator=(const StallingSmtpServer&) = delete;

  bool started() const { return port_ > 0; }
  int port() const { return port_; }
  // True when the server reports `step` ("connected", "data-end", "closed") within `timeoutMs`.
  bool WaitFor(const std::string& step, int timeoutMs = 30000);

 private:
  std::unique_ptr<ChildProcess> process_;
  int port_ = 0;
};

}  // namespace qav::test
