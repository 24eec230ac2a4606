#include "sim/call_client_options.h"

#include <fstream>
#include <sstream>

#include "platform/text.h"

namespace qav::sim {

namespace {

bool ReadWholeFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  *text = bytes.str();
  return true;
}

bool ReadMs(const std::string& value, int* ms) {
  std::optional<int32_t> number = ParseInt32(value);
  if (!number || *number < 0 || value.find_first_not_of("0123456789") != std::string::npos) return false;
  *ms = *number;
  return true;
}

}  // namespace

std::string CallClientUsage() {
  return "usage: qav-sim-callclient [options] [--scenario FILE]... [--step STEP]...\n"
         "  --attach MODE         answer discovers: success (default), pending, refused, not-available, silence\n"
         "  --authorize-ms N      how long \"pending\" waits before it succeeds (default 1000)\n"
         "  --user HANDLE         the signed-in user (default owner.one)\n"
         "  --fullname TEXT       the user's full name (default \"Owner One\")\n"
         "  --status WORD         the user's online status (default ONLINE)\n"
         "  --version A.B.C.D     the client's version (default 3.8.0.188)\n"
         "  --program-path PATH   the program file recorded in the registry (default: this program)\n"
         "  --no-registry         do not write the installed client's registry keys\n"
         "  --no-announce         do not broadcast \"API available\" at start\n"
         "  --caller-audio FILE   the caller's recording for ring steps without audio=\n"
         "  --scenario FILE       steps to play, one a line\n"
         "  --step STEP           one more step\n"
         "  --stdin               read more steps from standard input as they come\n"
         "  --exit-when-done      end after the last step (and the end of standard input)\n"
         "  --quiet               no transcript on standard output\n"
         "  --help                this text\n";
}

bool ParseCallClientCommandLine(int argc, const char* const* argv, CallClientCommandLine* commandLine,
                                std::string* error) {
  CallClientCommandLine& out = *commandLine;
  std::string callerAudio;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    auto value = [&](std::string* into) {
      if (i + 1 >= argc) {
        *error = option + " needs a value";
        return false;
      }
      *into = argv[++i];
      return true;
    };
    std::string text;
    if (option == "--help" || option == "-h") {
      out.help = true;
    } else if (option == "--attach") {
      if (!value(&text)) return false;
      std::optional<AttachScript> script = ParseAttachScript(text);
      if (!script) {
        *error = "--attach: \"" + text + "\" is not success, pending, refused, not-available or silence";
        return false;
      }
      out.sim.attach = *script;
    } else if (option == "--authorize-ms") {
      if (!value(&text)) return false;
      if (!ReadMs(text, &out.sim.authorizeDelayMs)) {
        *error = "--authorize-ms: \"" + text + "\" is not a number of milliseconds";
        return false;
      }
    } else if (option == "--user") {
      if (!value(&out.user)) return false;
      if (out.user.empty() || out.user.find(' ') != std::string::npos) {
        *error = "--user: a handle is one word";
        return false;
      }
    } else if (option == "--fullname") {
      if (!value(&out.fullName)) return false;
    } else if (option == "--status") {
      if (!value(&text)) return false;
      out.status = ToUpperAscii(text);
      if (!CallClientModel::IsSettableUserStatus(out.status)) {
        *error = "--status: \"" + text + "\" is no online status (ONLINE, AWAY, NA, DND, INVISIBLE, OFFLINE, ...)";
        return false;
      }
    } else if (option == "--version") {
      if (!value(&out.version)) return false;
    } else if (option == "--program-path") {
      if (!value(&out.programPath)) return false;
    } else if (option == "--no-registry") {
      out.writeRegistry = false;
    } else if (option == "--no-announce") {
      out.sim.announce = false;
    } else if (option == "--caller-audio") {
      if (!value(&callerAudio)) return false;
    } else if (option == "--scenario") {
      std::string path, scenario, why;
      if (!value(&path)) return false;
      if (!ReadWholeFile(path, &scenario)) {
        *error = "--scenario: \"" + path + "\" cannot be read";
        return false;
      }
      std::vector<ScenarioStep> steps;
      if (!ParseScenario(scenario, &steps, &why)) {
        *error = path + ": " + why;
        return false;
      }
      out.steps.insert(out.steps.end(), steps.begin(), steps.end());
    } else if (option == "--step") {
      ScenarioStep step;
      std::string why;
      if (!value(&text)) return false;
      if (!ParseScenarioStep(text, &step, &why)) {
        *error = "--step: " + why;
        return false;
      }
      out.steps.push_back(step);
    } else if (option == "--stdin") {
      out.readStdin = true;
    } else if (option == "--exit-when-done") {
      out.exitWhenDone = true;
    } else if (option == "--quiet") {
      out.quiet = true;
    } else if (option == "/nosplash" || option == "/minimized") {
      // The real client's own switches, with which the program starts it: nothing to show here.
    } else {
      *error = "unknown option \"" + option + "\"";
      return false;
    }
  }
  for (ScenarioStep& step : out.steps) {
    if (step.verb == ScenarioVerb::kRing && step.audio.empty()) step.audio = callerAudio;
  }
  return true;
}

}  // namespace qav::sim
