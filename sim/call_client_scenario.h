// Scenarios for the simulated call client: what happens on the client's side, step by step.
//
// A scenario is text, one step a line; blank lines and lines that start with "#" are skipped.
// Steps run in order; a wait holds the ones after it until its condition holds. The steps, their
// arguments and examples are in docs/sim-callclient.md:
//   wait <ms>                      wait-attach                 wait-command <text>
//   wait-call <id> <STATUS>        notify <line>               ring <id> <handle> [<type>] [audio=<file>]
//   hangup <id>                    status <id> <STATUS>        user-status <STATUS>
//   conn-status <STATUS>           contact <handle> <PROPERTY> <value>
//   device <AUDIO_IN|AUDIO_OUT|VIDEO_IN> <name>                error68 [<text>]
//   silence on|off|<count>         attach <script>             announce
//   die                            quit
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qav::sim {

// How the client answers "SkypeControlAPIDiscover".
enum class AttachScript {
  kSuccess,       // attach status 0 at once
  kPending,       // status 1 (waiting for the user's consent), then 0 after the authorisation delay;
                  // a program that was authorised once gets 0 at once afterwards
  kRefused,       // status 2
  kNotAvailable,  // status 3
  kSilence,       // no answer
};

// "success", "pending", "refused", "not-available", "silence".
std::optional<AttachScript> ParseAttachScript(std::string_view word);
std::string_view AttachScriptName(AttachScript script);

enum class ScenarioVerb {
  kWait,
  kWaitAttach,
  kWaitCommand,
  kWaitCall,
  kNotify,
  kRing,
  kHangup,
  kStatus,
  kUserStatus,
  kConnStatus,
  kContact,
  kDevice,
  kError68,
  kSilence,
  kAttach,
  kAnnounce,
  kDie,
  kQuit,
};

struct ScenarioStep {
  ScenarioVerb verb = ScenarioVerb::kQuit;
  std::string source;  // the step as written, for the transcript
  int64_t number = 0;  // wait: ms; ring, hangup, status, wait-call: the call id; silence: count (-1 on, 0 off)
  std::string word;    // a status, property or device word
  std::string text;    // the rest: a line, a value, a name, a text to wait for
  std::string handle;  // ring: the caller; contact: the contact
  std::string type;    // ring: the call type
  std::string audio;   // ring: the caller's recording
  AttachScript attach = AttachScript::kSuccess;
};

// One step. False, with `error` saying what is wrong, for a step it does not know or whose
// arguments are missing or wrong.
bool ParseScenarioStep(std::string_view line, ScenarioStep* step, std::string* error);

// A whole scenario. False at the first bad step, with `error` naming its line number.
bool ParseScenario(std::string_view text, std::vector<ScenarioStep>* steps, std::string* error);

}  // namespace qav::sim
