// The web server's stand-in (qav-sim-webserver) as a second process for one test: started with
// its arguments and a private folder for what it receives, it reports its port on 127.0.0.1 and is
// ended when the object goes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace qav::test {

class WebStandIn {
 public:
  explicit WebStandIn(const std::vector<std::string>& arguments = {});

  bool started() const { return port_ != 0; }
  unsigned port() const { return port_; }
  // "http://127.0.0.1:<port>/"
  std::string BaseUrl() const;
  std::u16string BaseUrl16() const;
  // What it saved: "request-1.raw", "upload-1/parts.tsv", ...
  std::string File(const std::string& name) const { return folder_.File(name); }
  std::string Read(const std::string& name) const;

 private:
  TempDir folder_;
  std::unique_ptr<ChildProcess> process_;
  unsigned port_ = 0;
};

}  // namespace qav::test
