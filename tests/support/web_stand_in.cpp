#include "tests/support/web_stand_in.h"

#include "platform/text.h"

namespace qav::test {

WebStandIn::WebStandIn(const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {"--folder", folder_.path()};
  all.insert(all.end(), arguments.begin(), arguments.end());
  process_ = std::make_unique<ChildProcess>(QAV_SIM_WEBSERVER, all);
  if (!process_->started()) return;
  if (const auto line = process_->WaitForLine("PORT ")) port_ = static_cast<unsigned>(AtoI(line->substr(5)));
}

std::string WebStandIn::BaseUrl() const { return FormatUtf8("http://127.0.0.1:%u/", port_); }

std::u16string WebStandIn::BaseUrl16() const { return Utf8ToUtf16(BaseUrl()); }

std::string WebStandIn::Read(const std::string& name) const { return ReadFileBytes(File(name)); }

}  // namespace qav::test
