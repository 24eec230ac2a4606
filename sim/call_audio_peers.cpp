#include "sim/call_audio_peers.h"

#include <cstdlib>

namespace qav::sim {

CallAudioPeersOptions CallAudioPeersOptions::FromEnvironment() {
  CallAudioPeersOptions options;
  if (const char* folder = std::getenv("QAV_SIM_AUDIO_RECORD_DIR")) options.recordFolder = folder;
  if (const char* speed = std::getenv("QAV_SIM_AUDIO_SPEED")) {
    const double value = std::atof(speed);
    if (value > 0) options.speed = value;
  }
  return options;
}

CallAudioPeers::CallAudioPeers(CallAudioPeersOptions options, CallClientAudio* alsoTell)
    : options_(std::move(options)), alsoTell_(alsoTell) {}

CallAudioPeers::~CallAudioPeers() {
  for (auto& [id, peer] : peers_) peer->Stop();
}

std::string CallAudioPeers::RecordPathOf(int32_t callId) const {
  if (options_.recordFolder.empty()) return "";
  return options_.recordFolder + "/call-" + std::to_string(callId) + "-input.wav";
}

CallAudioPeer* CallAudioPeers::PeerOf(int32_t callId) const {
  auto it = peers_.find(callId);
  return it == peers_.end() ? nullptr : it->second.get();
}

CallAudioPeer* CallAudioPeers::PeerFor(const SimCall& call) {
  if (CallAudioPeer* peer = PeerOf(call.id)) return peer;
  CallAudioPeerOptions options;
  options.callerWavPath = call.audioFile;
  options.recordPath = RecordPathOf(call.id);
  options.speed = options_.speed;
  std::string error;
  auto peer = CallAudioPeer::Create(options, &error);
  if (!peer) {
    // The call goes on with a silent caller rather than not at all.
    lastError_ = error;
    options.callerWavPath.clear();
    peer = CallAudioPeer::Create(options, &error);
    if (!peer) {
      lastError_ = error;
      return nullptr;
    }
  }
  CallAudioPeer* raw = peer.get();
  peers_[call.id] = std::move(peer);
  return raw;
}

void CallAudioPeers::OnAudioRoute(const SimCall& call, SimAudioDirection direction, const SimAudioRoute& route) {
  if (route.port > 0) {
    if (CallAudioPeer* peer = PeerFor(call)) {
      const bool connected =
          direction == SimAudioDirection::kOutput ? peer->ConnectOutput(route.port) : peer->ConnectInput(route.port);
      if (!connected) lastError_ = "nothing listens on 127.0.0.1:" + std::to_string(route.port);
    }
  } else if (CallAudioPeer* peer = PeerOf(call.id)) {
    if (direction == SimAudioDirection::kOutput) {
      peer->CloseOutput();
    } else {
      peer->CloseInput();
    }
  }
  if (alsoTell_) alsoTell_->OnAudioRoute(call, direction, route);
}

void CallAudioPeers::OnCallEnded(const SimCall& call) {
  auto it = peers_.find(call.id);
  if (it != peers_.end()) {
    it->second->Stop();
    peers_.erase(it);
  }
  if (alsoTell_) alsoTell_->OnCallEnded(call);
}

}  // namespace qav::sim
