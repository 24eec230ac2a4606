#include "tests/support/script_peer.h"

#include "platform/text.h"

namespace qav::test {

ScriptPeer::ScriptPeer(const std::string& script, const std::vector<std::string>& arguments) {
  std::vector<std::string> command{script};
  command.insert(command.end(), arguments.begin(), arguments.end());
  process_ = std::make_unique<ChildProcess>("/usr/bin/python3", command);
  if (!process_->started()) return;
  if (const auto ready = process_->WaitForLine("ready ", {}, -1, 20000)) {
    port_ = ParseInt32(std::string_view(*ready).substr(6)).value_or(0);
  }
}

bool ScriptPeer::WaitFor(const std::string& step, int timeoutMs) {
  return process_ && process_->WaitForLine(step, {}, -1, timeoutMs).has_value();
}

}  // namespace qav::test
