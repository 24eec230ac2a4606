#include "tests/support/command_output.h"

#include <cstdio>

namespace qav::test {

std::string CommandOutput(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  const int code = pclose(pipe);
  if (status) *status = code;
  return output;
}

}  // namespace qav::test
