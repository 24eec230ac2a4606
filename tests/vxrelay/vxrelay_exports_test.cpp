// The library's dynamic symbol table, read from the built file by nm: the eleven functions with
// their plain C names, and nothing else of the C++ runtime, the platform or the registry store.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string RunAndRead(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return {};
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  return out;
}

TEST(VxrelayExports, ExactlyTheElevenFunctionsUndecorated) {
  const std::string listing = RunAndRead("nm -D --defined-only '" QAV_VXRELAY_LIBRARY "'");
  std::set<std::string> names;
  std::istringstream lines(listing);
  std::string address, type, name;
  while (lines >> address >> type >> name) {
    EXPECT_EQ(type, "T") << name << " is exported but is not a function";
    names.insert(name);
  }
  const std::set<std::string> expected = {
      "Vidralux_Exit",      "Vidralux_GetDirectory", "Vidralux_GetFile", "Vidralux_GetVersion",
      "Vidralux_IsRunning", "Vidralux_Pause",        "Vidralux_Run",     "Vidralux_RunMinimized",
      "Vidralux_SetFile",   "Vidralux_Start",        "Vidralux_Stop",
  };
  EXPECT_EQ(names, expected) << listing;
}

}  // namespace
