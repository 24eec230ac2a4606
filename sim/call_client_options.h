// The simulated call client's command line (docs/sim-callclient.md):
//   qav-sim-callclient [options] [--scenario FILE]... [--step STEP]...
#pragma once

#include <string>
#include <vector>

#include "sim/call_client_scenario.h"
#include "sim/call_client_sim.h"

namespace qav::sim {

struct CallClientCommandLine {
  CallClientSimOptions sim;
  std::string user = "owner.one";
  std::string fullName = "Owner One";
  std::string status = "ONLINE";
  std::string version = "3.8.0.188";
  std::string programPath;  // recorded in the registry; "" for this program's own path
  bool writeRegistry = true;
  std::vector<ScenarioStep> steps;  // from every --scenario and --step, in the order given
  bool readStdin = false;
  bool exitWhenDone = false;
  bool quiet = false;
  bool help = false;
};

// False, with `error`, for an unknown option, a missing or bad value, or a scenario file that
// cannot be read or has a bad step. A ring step without audio= takes --caller-audio.
bool ParseCallClientCommandLine(int argc, const char* const* argv, CallClientCommandLine* commandLine,
                                std::string* error);

std::string CallClientUsage();

}  // namespace qav::sim
