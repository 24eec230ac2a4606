#include "tests/support/fake_opener.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "tests/support/temp_dir.h"

namespace qav::test {

std::string FakeOpener::MakeFolder(const std::string& folder, Presence presence) {
  const std::string bin = folder + "/opener-bin";
  mkdir(bin.c_str(), 0755);
  if (presence != Presence::kAbsent) {
    // One line a run, written whole by a single printf, so a reader never sees half of it.
    const std::string script =
        "#!/bin/sh\n"
        "line=\"$#\"\n"
        "for a in \"$@\"; do line=\"$line [$a]\"; done\n"
        "printf '%s\\n' \"$line\" >> '" + folder + "/opener-runs.txt'\n" +
        (presence == Presence::kFailing ? "exit 3\n" : "");
    const std::string path = bin + "/xdg-open";
    WriteFileBytes(path, script);
    chmod(path.c_str(), 0755);
  }
  return bin;
}

FakeOpener::FakeOpener(const std::string& folder, Presence presence)
    : record_(folder + "/opener-runs.txt"), path_("PATH", MakeFolder(folder, presence)) {}

std::vector<std::string> FakeOpener::Runs() const {
  std::vector<std::string> runs;
  std::istringstream lines(ReadFileBytes(record_));
  for (std::string line; std::getline(lines, line);) runs.push_back(line);
  return runs;
}

bool FakeOpener::WaitForRuns(size_t count, int timeoutMs) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Runs().size() < count) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace qav::test
