#include "tests/support/stalling_smtp_server.h"

#include "platform/text.h"

namespace qav::test {

StallingSmtpServer::StallingSmtpServer(SmtpMisbehaviour mode) {
  const char* name = mode == SmtpMisbehaviour::kSilent ? "silent" : mode == SmtpMisbehaviour::kDrip ? "drip" : "stall-data";
  process_ = std::make_unique<ChildProcess>("/usr/bin/python3",
                                            std::vector<std::string>{QAV_SIM_STALLING_SMTP_SERVER, "--mode", name});
  if (!process_->started()) return;
  if (const auto ready = process_->WaitForLine("ready ", {}, -1, 20000)) {
    port_ = ParseInt32(std::string_view(*ready).substr(6)).value_or(0);
  }
}

bool StallingSmtpServer::WaitFor(const std::string& step, int timeoutMs) {
  return process_ && process_->WaitForLine(step, {}, -1, timeoutMs).has_value();
}

}  // namespace qav::test
