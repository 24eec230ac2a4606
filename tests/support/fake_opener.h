// A stand-in for the desktop's opener (xdg-open) on a private $PATH, for the life of the object:
// a script that records each of its runs as one line, its argument count and then every argument
// in brackets, so a test sees exactly the argv the program gave it. A failing one then exits 3, as
// xdg-open does on a desktop without a browser. Without the script ("absent") the private $PATH
// holds no opener at all, as on a desktop without xdg-utils.
#pragma once

#include <string>
#include <vector>

#include "tests/support/scoped_env.h"

namespace qav::test {

class FakeOpener {
 public:
  enum class Presence { kPresent, kFailing, kAbsent };
  // `folder` is a fresh folder of the test's; the script and its record live in it.
  explicit FakeOpener(const std::string& folder, Presence presence = Presence::kPresent);

  // Every run so far, in order: "<argc> [<arg1>] [<arg2>] ...".
  std::vector<std::string> Runs() const;
  // Waits in real time, bounded, until at least `count` runs are recorded.
  bool WaitForRuns(size_t count, int timeoutMs = 10000) const;

 private:
  static std::string MakeFolder(const std::string& folder, Presence presence);
  std::string record_;
  ScopedEnv path_;
};

}  // namespace qav::test
