// The simulated call client's audio side: where the call audio plugs in.
//
// The program asks the client to carry a call's audio over loopback TCP: on
//   ALTER CALL <id> SET_OUTPUT PORT="<p>"
// the client connects to 127.0.0.1:<p> and streams the call's output (the caller's voice) there,
// and on
//   ALTER CALL <id> SET_INPUT PORT="<p>"
// it connects to <p> and takes what arrives as the call's input (what the caller hears). A route
// with SOUNDCARD="default" and no port gives that direction back to the sound card, which closes
// the connection. The simulator itself moves no audio: it accepts the command, answers it as the
// client does, and hands the route to the CallClientAudio installed with CallClientSim::SetAudio,
// with the call it belongs to (its id, partner and the caller's recording, `SimCall::audioFile`).
// All calls come on the simulator's loop thread; an implementation that streams does so on its own
// thread and must not block here.
#pragma once

#include "sim/call_client_call.h"

namespace qav::sim {

class CallClientAudio {
 public:
  virtual ~CallClientAudio() = default;
  // A routing command for a call that is not over was accepted; `route` is what that direction
  // uses from now on (port 0: no port).
  virtual void OnAudioRoute(const SimCall& call, SimAudioDirection direction, const SimAudioRoute& route) = 0;
  // The call reached an end status (FINISHED, MISSED, REFUSED, ...): close what it still uses.
  virtual void OnCallEnded(const SimCall& call) = 0;
};

}  // namespace qav::sim
