// A mail server that misbehaves on purpose (sim/programs/sim_stalling_smtp_server.py) on 127.0.0.1
// with a free port, in a process of its own that ends with this object: it never answers, drips
// its greeting a byte a second, or stalls once the message's end has arrived. It reports each step
// of a connection ("connected", "data-end", "closed") so a test can time the client against them.
#pragma once

#include "tests/support/script_peer.h"

namespace qav::test {

enum class SmtpMisbehaviour { kSilent, kDrip, kStallAfterData };

class StallingSmtpServer : public ScriptPeer {
 public:
  explicit StallingSmtpServer(SmtpMisbehaviour mode);
};

}  // namespace qav::test
