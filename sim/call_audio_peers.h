// The simulated call client's audio side as it plugs into the simulator: one CallAudioPeer per
// call, connected and closed as the program routes the call's audio.
//
//   CallAudioPeers peers(CallAudioPeersOptions::FromEnvironment(), &transcript);
//   sim.SetAudio(&peers);
//
// A route with a port connects that direction of the call (its OUTPUT sends the call's
// `audioFile`, the caller's voice; its INPUT records what the program sends); a route without a
// port (back to the sound card) closes that direction; the end of the call stops the peer and
// finishes its record file. Every route and end is passed on to `alsoTell` as well (the
// transcript), when given. A caller's file that cannot be used leaves the call silent (the reason
// in LastError()).
//
// Options from the environment: QAV_SIM_AUDIO_RECORD_DIR, a folder where what each call's caller
// heard is written as "call-<id>-input.wav"; QAV_SIM_AUDIO_SPEED, how many times faster than real
// time the voices are sent (default 1).
//
// All calls come on the simulator's loop thread; the peers stream on their own threads.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "sim/call_audio_peer.h"
#include "sim/call_client_audio.h"

namespace qav::sim {

struct CallAudioPeersOptions {
  std::string recordFolder;  // empty: nothing is written
  double speed = 1.0;

  static CallAudioPeersOptions FromEnvironment();
};

class CallAudioPeers : public CallClientAudio {
 public:
  explicit CallAudioPeers(CallAudioPeersOptions options, CallClientAudio* alsoTell = nullptr);
  ~CallAudioPeers() override;

  void OnAudioRoute(const SimCall& call, SimAudioDirection direction, const SimAudioRoute& route) override;
  void OnCallEnded(const SimCall& call) override;

  // The peer of a call that has audio now; null otherwise.
  CallAudioPeer* PeerOf(int32_t callId) const;
  // Where what the call's caller heard is written ("" without a record folder).
  std::string RecordPathOf(int32_t callId) const;
  const std::string& LastError() const { return lastError_; }

 private:
  CallAudioPeer* PeerFor(const SimCall& call);

  CallAudioPeersOptions options_;
  CallClientAudio* alsoTell_;
  std::map<int32_t, std::unique_ptr<CallAudioPeer>> peers_;
  std::string lastError_;
};

}  // namespace qav::sim
