// One call as the simulated call client keeps it, and the audio routing of its two directions.
//
// Texts are UTF-8, as on the wire. Statuses and types are the client's own words ("RINGING",
// "INCOMING_P2P").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qav::sim {

// Where one direction of a call's audio goes: the sound card, a TCP port on 127.0.0.1 (the
// program listens there; the client connects), a file, or any mix of them, as the routing command
// `ALTER CALL <id> SET_OUTPUT SOUNDCARD="default", PORT="5001"` lists them.
struct SimAudioRoute {
  bool soundCard = true;
  int32_t port = 0;  // 0: no port
  std::string file;

  // The list as the client writes it back: SOUNDCARD="default", PORT="5001".
  std::string ToText() const;
  bool operator==(const SimAudioRoute&) const = default;
};

// Reads a routing list (the rest of a SET_INPUT or SET_OUTPUT command). nullopt for an empty list,
// an unknown item, a sound card other than "default", or a port outside 1..65535.
std::optional<SimAudioRoute> ParseSimAudioRoute(std::string_view list);

enum class SimAudioDirection {
  kOutput,  // the call's sound towards the user: the caller's voice
  kInput,   // the user's side of the call: what the program plays to the caller
};

struct SimCall {
  int32_t id = 0;
  std::string partner;      // the other side's handle
  std::string partnerName;  // its display name
  std::string type;         // INCOMING_P2P, INCOMING_PSTN, OUTGOING_P2P, OUTGOING_PSTN
  std::string status;       // UNPLACED, ROUTING, RINGING, INPROGRESS, ..., FINISHED
  std::string audioFile;    // the caller's recording that the audio side plays into the call
  int64_t startMs = 0;      // the client's clock when the call appeared
  int64_t answeredMs = -1;  // when it went in progress; -1 before
  int64_t endedMs = -1;     // when it reached an end status; -1 before
  SimAudioRoute input;
  SimAudioRoute output;
  bool videoSend = false;

  bool IsIncoming() const { return type == "INCOMING_P2P" || type == "INCOMING_PSTN"; }
  bool IsEnded() const;
  bool IsInProgress() const;  // in progress or on hold of either side
};

// The client's call status words, and which of them end a call.
bool IsSimCallStatus(std::string_view word);
bool IsSimEndStatus(std::string_view word);
bool IsSimCallType(std::string_view word);

}  // namespace qav::sim
