// The audio side of the simulated call client: what the call client does with a call's sound when
// the program routes it to TCP ports.
//
//   auto peer = qav::sim::CallAudioPeer::Create(options, &error);
//   peer->ConnectOutput(p1);   // on  ALTER CALL n SET_OUTPUT PORT="p1"
//   peer->ConnectInput(p2);    // on  ALTER CALL n SET_INPUT PORT="p2"
//   ...
//   peer->Stop();              // when the call is routed back to the sound card, or ends
//
// Directions, as the call client names them: its OUTPUT is the call's far-end sound (the caller's
// voice), which it sends to the program on the output port; its INPUT is what the caller hears,
// which the program sends on the input port. Both carry raw PCM, 16000 Hz, 16-bit signed
// little-endian, mono, without framing, and both connect to 127.0.0.1.
//
// The caller's voice is a WAV file of that format (other formats are refused at Create; sox
// converts: `sox in.wav -r 16000 -c 1 -b 16 caller.wav`), sent in 40 ms blocks at the pace of real
// time, or `speed` times faster to match a program running on a scaled clock. After the file it
// sends silence until Stop, as a quiet caller would, or, with `hangUpAfterCaller`, closes the
// output connection. What arrives on the input port is kept and, when `recordPath` is set, written
// to that file as a WAV of the same format (finished at Stop).
//
// A peer runs one thread of its own; its calls may come from any one thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qav::sim {

struct CallAudioPeerOptions {
  std::string callerWavPath;  // empty: the caller says nothing (silence)
  std::string recordPath;     // empty: what arrives is only kept in memory
  double speed = 1.0;         // 1: real time
  bool hangUpAfterCaller = false;
};

class CallAudioPeer {
 public:
  static constexpr int kRate = 16000;
  static constexpr int kBlockBytes = 1280;  // 40 ms

  // Null with *error set when the caller's WAV cannot be used or the record file cannot be made.
  static std::unique_ptr<CallAudioPeer> Create(const CallAudioPeerOptions& options, std::string* error);
  ~CallAudioPeer();
  CallAudioPeer(const CallAudioPeer&) = delete;
  CallAudioPeer& operator=(const CallAudioPeer&) = delete;

  // Connects the call's output (the caller's voice) to 127.0.0.1:port and starts sending; a second
  // call replaces the connection and starts the voice again. False when the connection fails.
  bool ConnectOutput(int port);
  // Connects the call's input (what the caller hears) to 127.0.0.1:port and records it.
  bool ConnectInput(int port);
  // Closes one direction (the call gave it back to the sound card); the other goes on.
  void CloseOutput();
  void CloseInput();
  // Closes both connections and finishes the record file. Safe to call more than once.
  void Stop();

  // True once the whole caller's WAV has been sent (waits at most timeoutMs of real time).
  bool WaitCallerSent(int timeoutMs);
  // True once at least `bytes` have arrived on the input port (waits at most timeoutMs).
  bool WaitReceived(size_t bytes, int timeoutMs);

  uint64_t BytesSent() const { return sent_.load(); }
  // The samples that have arrived on the input port so far.
  std::vector<int16_t> Received() const;

 private:
  CallAudioPeer() = default;
  bool Attach(int port, bool output);
  void Run();
  void Wake();
  void SendDue(int64_t nowUs);
  void ReadInput();
  void FinishRecord();

  CallAudioPeerOptions options_;
  std::vector<uint8_t> caller_;  // the caller's samples
  int wakeFd_ = -1;
  int recordFd_ = -1;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int outputFd_ = -1;
  int inputFd_ = -1;
  int64_t outputStartUs_ = 0;
  uint64_t outputBlocksSent_ = 0;
  size_t pendingOffset_ = 0;  // of a block the socket took only in part
  std::vector<uint8_t> pendingBlock_;
  bool callerSent_ = false;
  bool stopping_ = false;
  std::vector<uint8_t> received_;
  std::atomic<uint64_t> sent_{0};
  std::thread thread_;
};

}  // namespace qav::sim
