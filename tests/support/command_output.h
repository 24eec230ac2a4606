// Runs a shell command (a real tool reading back what the program wrote) and gives what it
// printed on standard output and standard error together.
#pragma once

#include <string>

namespace qav::test {

// The output, and the wait status in `status` when given.
std::string CommandOutput(const std::string& command, int* status = nullptr);

}  // namespace qav::test
