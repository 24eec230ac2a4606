#include "sim/call_client_scenario.h"

#include <array>
#include <utility>

#include "platform/text.h"
#include "sim/call_client_call.h"

namespace qav::sim {

namespace {

constexpr std::array<std::pair<std::string_view, AttachScript>, 5> kScripts = {{
    {"success", AttachScript::kSuccess},
    {"pending", AttachScript::kPending},
    {"refused", AttachScript::kRefused},
    {"not-available", AttachScript::kNotAvailable},
    {"silence", AttachScript::kSilence},
}};

constexpr std::array<std::pair<std::string_view, ScenarioVerb>, 18> kVerbs = {{
    {"wait", ScenarioVerb::kWait},
    {"wait-attach", ScenarioVerb::kWaitAttach},
    {"wait-command", ScenarioVerb::kWaitCommand},
    {"wait-call", ScenarioVerb::kWaitCall},
    {"notify", ScenarioVerb::kNotify},
    {"ring", ScenarioVerb::kRing},
    {"hangup", ScenarioVerb::kHangup},
    {"status", ScenarioVerb::kStatus},
    {"user-status", ScenarioVerb::kUserStatus},
    {"conn-status", ScenarioVerb::kConnStatus},
    {"contact", ScenarioVerb::kContact},
    {"device", ScenarioVerb::kDevice},
    {"error68", ScenarioVerb::kError68},
    {"silence", ScenarioVerb::kSilence},
    {"attach", ScenarioVerb::kAttach},
    {"announce", ScenarioVerb::kAnnounce},
    {"die", ScenarioVerb::kDie},
    {"quit", ScenarioVerb::kQuit},
}};

// Splits off the first blank-separated word; `rest` is what follows, leading blanks removed.
std::string_view NextWord(std::string_view* rest) {
  size_t start = 0;
  while (start < rest->size() && IsBlank(static_cast<char16_t>((*rest)[start]))) ++start;
  size_t end = start;
  while (end < rest->size() && !IsBlank(static_cast<char16_t>((*rest)[end]))) ++end;
  std::string_view word = rest->substr(start, end - start);
  size_t next = end;
  while (next < rest->size() && IsBlank(static_cast<char16_t>((*rest)[next]))) ++next;
  *rest = rest->substr(next);
  return word;
}

bool ReadNumber(std::string_view word, int64_t low, int64_t high, int64_t* number) {
  if (word.empty() || word.find_first_not_of("0123456789") != std::string_view::npos) return false;
  std::optional<int64_t> value = ParseInt64(word);
  if (!value || *value < low || *value > high) return false;
  *number = *value;
  return true;
}

bool Fail(std::string* error, const std::string& why) {
  *error = why;
  return false;
}

}  // namespace

std::optional<AttachScript> ParseAttachScript(std::string_view word) {
  for (const auto& [name, script] : kScripts) {
    if (name == word) return script;
  }
  return std::nullopt;
}

std::string_view AttachScriptName(AttachScript script) {
  for (const auto& [name, s] : kScripts) {
    if (s == script) return name;
  }
  return "";
}

bool ParseScenarioStep(std::string_view line, ScenarioStep* step, std::string* error) {
  *step = ScenarioStep();
  step->source = Trim(line);
  std::string_view rest = step->source;
  const std::string_view verbWord = NextWord(&rest);
  bool known = false;
  for (const auto& [name, verb] : kVerbs) {
    if (name == verbWord) {
      step->verb = verb;
      known = true;
    }
  }
  if (!known) return Fail(error, "unknown step \"" + std::string(verbWord) + "\"");
  const std::string verb(verbWord);
  auto callId = [&](std::string_view word) {
    return ReadNumber(word, 1, 0x7FFFFFFF, &step->number) ? true : Fail(error, verb + ": a call id (1 or more) is needed");
  };
  auto nothingMore = [&] { return rest.empty() ? true : Fail(error, verb + ": unexpected \"" + std::string(rest) + "\""); };

  switch (step->verb) {
    case ScenarioVerb::kWait:
      if (!ReadNumber(NextWord(&rest), 0, 24LL * 3600 * 1000, &step->number)) {
        return Fail(error, "wait: a number of milliseconds is needed");
      }
      return nothingMore();
    case ScenarioVerb::kWaitAttach:
    case ScenarioVerb::kAnnounce:
    case ScenarioVerb::kDie:
    case ScenarioVerb::kQuit:
      return nothingMore();
    case ScenarioVerb::kWaitCommand:
    case ScenarioVerb::kNotify:
      if (rest.empty()) return Fail(error, verb + ": a line is needed");
      step->text = std::string(rest);
      return true;
    case ScenarioVerb::kWaitCall:
    case ScenarioVerb::kStatus:
      if (!callId(NextWord(&rest))) return false;
      step->word = ToUpperAscii(NextWord(&rest));
      if (!IsSimCallStatus(step->word)) return Fail(error, verb + ": a call status (RINGING, INPROGRESS, ...) is needed");
      return nothingMore();
    case ScenarioVerb::kHangup:
      if (!callId(NextWord(&rest))) return false;
      return nothingMore();
    case ScenarioVerb::kRing: {
      if (!callId(NextWord(&rest))) return false;
      step->handle = std::string(NextWord(&rest));
      if (step->handle.empty()) return Fail(error, "ring: the caller's handle is needed");
      step->type = "INCOMING_P2P";
      while (!rest.empty()) {
        const std::string_view option = NextWord(&rest);
        if (option.rfind("audio=", 0) == 0 && option.size() > 6) {
          step->audio = std::string(option.substr(6));
        } else if (ToUpperAscii(option) == "INCOMING_P2P" || ToUpperAscii(option) == "INCOMING_PSTN") {
          step->type = ToUpperAscii(option);
        } else {
          return Fail(error, "ring: \"" + std::string(option) + "\" is neither INCOMING_P2P, INCOMING_PSTN nor audio=<file>");
        }
      }
      return true;
    }
    case ScenarioVerb::kUserStatus:
    case ScenarioVerb::kConnStatus:
      step->word = ToUpperAscii(NextWord(&rest));
      if (step->word.empty()) return Fail(error, verb + ": a status is needed");
      return nothingMore();
    case ScenarioVerb::kContact:
      step->handle = std::string(NextWord(&rest));
      step->word = ToUpperAscii(NextWord(&rest));
      if (step->handle.empty() || step->word.empty()) return Fail(error, "contact: a handle and a property are needed");
      step->text = std::string(rest);  // the value, possibly empty
      return true;
    case ScenarioVerb::kDevice:
      step->word = ToUpperAscii(NextWord(&rest));
      if (step->word != "AUDIO_IN" && step->word != "AUDIO_OUT" && step->word != "VIDEO_IN") {
        return Fail(error, "device: AUDIO_IN, AUDIO_OUT or VIDEO_IN is needed");
      }
      step->text = std::string(rest);
      return true;
    case ScenarioVerb::kError68:
      step->text = std::string(rest);
      return true;
    case ScenarioVerb::kSilence: {
      const std::string_view what = NextWord(&rest);
      if (what == "on") {
        step->number = -1;
      } else if (what == "off") {
        step->number = 0;
      } else if (!ReadNumber(what, 1, 1'000'000, &step->number)) {
        return Fail(error, "silence: on, off or a number of commands is needed");
      }
      return nothingMore();
    }
    case ScenarioVerb::kAttach: {
      std::optional<AttachScript> script = ParseAttachScript(NextWord(&rest));
      if (!script) return Fail(error, "attach: success, pending, refused, not-available or silence is needed");
      step->attach = *script;
      return nothingMore();
    }
  }
  return Fail(error, "unknown step");
}

bool ParseScenario(std::string_view text, std::vector<ScenarioStep>* steps, std::string* error) {
  steps->clear();
  int lineNumber = 0;
  size_t at = 0;
  while (at <= text.size()) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string line = Trim(text.substr(at, end - at));
    ++lineNumber;
    at = end + 1;
    if (line.empty() || line[0] == '#') continue;
    ScenarioStep step;
    std::string why;
    if (!ParseScenarioStep(line, &step, &why)) {
      *error = "line " + std::to_string(lineNumber) + ": " + why;
      return false;
    }
    steps->push_back(std::move(step));
  }
  return true;
}

}  // namespace qav::sim
