#include "tests/support/stalling_smtp_server.h"

namespace qav::test {

namespace {

const char* ModeName(SmtpMisbehaviour mode) {
  return mode == SmtpMisbehaviour::kSilent ? "silent" : mode == SmtpMisbehaviour::kDrip ? "drip" : "stall-data";
}

}  // namespace

StallingSmtpServer::StallingSmtpServer(SmtpMisbehaviour mode)
    : ScriptPeer(QAV_SIM_STALLING_SMTP_SERVER, {"--mode", ModeName(mode)}) {}

}  // namespace qav::test
