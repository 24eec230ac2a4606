#include "sim/call_client_call.h"

#include <array>

#include "platform/text.h"

namespace qav::sim {

namespace {

constexpr std::array<std::string_view, 14> kStatuses = {
    "UNPLACED", "ROUTING",    "EARLYMEDIA", "FAILED",   "RINGING", "INPROGRESS", "ONHOLD",
    "LOCALHOLD", "REMOTEHOLD", "FINISHED",   "MISSED",   "REFUSED", "BUSY",       "CANCELLED"};
constexpr std::array<std::string_view, 6> kEndStatuses = {"FAILED", "FINISHED", "MISSED", "REFUSED", "BUSY", "CANCELLED"};
constexpr std::array<std::string_view, 4> kTypes = {"INCOMING_PSTN", "OUTGOING_PSTN", "INCOMING_P2P", "OUTGOING_P2P"};

template <size_t N>
bool Contains(const std::array<std::string_view, N>& words, std::string_view word) {
  for (std::string_view w : words) {
    if (w == word) return true;
  }
  return false;
}

void SkipSpaces(std::string_view text, size_t* at) {
  while (*at < text.size() && text[*at] == ' ') ++*at;
}

}  // namespace

std::string SimAudioRoute::ToText() const {
  std::string text;
  auto add = [&](const std::string& item) { text += (text.empty() ? "" : ", ") + item; };
  if (soundCard) add("SOUNDCARD=\"default\"");
  if (port != 0) add("PORT=\"" + std::to_string(port) + "\"");
  if (!file.empty()) add("FILE=\"" + file + "\"");
  return text;
}

std::optional<SimAudioRoute> ParseSimAudioRoute(std::string_view list) {
  SimAudioRoute route;
  route.soundCard = false;
  bool any = false;
  size_t at = 0;
  SkipSpaces(list, &at);
  while (at < list.size()) {
    const size_t equals = list.find('=', at);
    if (equals == std::string_view::npos || equals + 1 >= list.size() || list[equals + 1] != '"') return std::nullopt;
    const std::string name = ToUpperAscii(list.substr(at, equals - at));
    const size_t close = list.find('"', equals + 2);
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view value = list.substr(equals + 2, close - equals - 2);
    if (name == "SOUNDCARD") {
      if (value != "default") return std::nullopt;
      route.soundCard = true;
    } else if (name == "PORT") {
      const std::optional<uint32_t> port = ParseUInt32(value);
      if (!port || *port < 1 || *port > 65535 || value.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
      }
      route.port = static_cast<int32_t>(*port);
    } else if (name == "FILE") {
      if (value.empty()) return std::nullopt;
      route.file = std::string(value);
    } else {
      return std::nullopt;
    }
    any = true;
    at = close + 1;
    SkipSpaces(list, &at);
    if (at == list.size()) break;
    if (list[at] != ',') return std::nullopt;
    ++at;
    SkipSpaces(list, &at);
    if (at == list.size()) return std::nullopt;  // a list may not end in a comma
  }
  if (!any) return std::nullopt;
  return route;
}

bool SimCall::IsEnded() const { return IsSimEndStatus(status); }

bool SimCall::IsInProgress() const {
  return status == "INPROGRESS" || status == "ONHOLD" || status == "LOCALHOLD" || status == "REMOTEHOLD";
}

bool IsSimCallStatus(std::string_view word) { return Contains(kStatuses, word); }
bool IsSimEndStatus(std::string_view word) { return Contains(kEndStatuses, word); }
bool IsSimCallType(std::string_view word) { return Contains(kTypes, word); }

}  // namespace qav::sim
