#include "tests/support/slow_link.h"

#include <string>
#include <vector>

namespace qav::test {

namespace {

std::vector<std::string> Arguments(const SlowLinkOptions& options) {
  std::vector<std::string> arguments{"--target-port", std::to_string(options.targetPort),
                                     "--rate", std::to_string(options.bytesPerSecond)};
  if (options.stallConnection > 0) {
    arguments.insert(arguments.end(), {"--stall-connection", std::to_string(options.stallConnection),
                                       "--stall-after", std::to_string(options.stallAfterBytes)});
  }
  return arguments;
}

}  // namespace

SlowLink::SlowLink(const SlowLinkOptions& options) : ScriptPeer(QAV_SIM_SLOW_LINK, Arguments(options)) {}

}  // namespace qav::test
