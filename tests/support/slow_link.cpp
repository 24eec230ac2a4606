#include "tests/support/slow_link.h"

#include "platform/text.h"

namespace qav::test {

SlowLink::SlowLink(const SlowLinkOptions& options) {
  std::vector<std::string> arguments{QAV_SIM_SLOW_LINK, "--target-port", std::to_string(options.targetPort),
                                     "--rate", std::to_string(options.bytesPerSecond)};
  if (options.stallConnection > 0) {
    arguments.insert(arguments.end(), {"--stall-connection", std::to_string(options.stallConnection),
                                       "--stall-after", std::to_string(options.stallAfterBytes)});
  }
  process_ = std::make_unique<ChildProcess>("/usr/bin/python3", arguments);
  if (!process_->started()) return;
  if (const auto ready = process_->WaitForLine("ready ", {}, -1, 20000)) {
    port_ = ParseInt32(std::string_view(*ready).substr(6)).value_or(0);
  }
}

bool SlowLink::WaitFor(const std::string& step, int timeoutMs) {
  return process_ && process_->WaitForLine(step, {}, -1, timeoutMs).has_value();
}

}  // namespace qav::test
