// Answering a call (states 4 to 6): the greeting is played into the call, then the caller is
// recorded into the voice message, a .wav or .mp3 in the format of the recording quality. The
// caller is recorded only once the greeting has been played; what comes before is dropped. While
// the caller speaks, the call's input keeps receiving a stream: near silence with the beeps in
// it. With monitoring on, the call is played on the local speaker as well.
#pragma once

#include <memory>
#include <string>

#include "audio/call_audio_job.h"

class CAudioFormatConverter;
class CWaveMemFile;

class CVoiceMessageJob final : public CCallAudioJob {
 public:
  explicit CVoiceMessageJob(AudioThreadContext& context);
  ~CVoiceMessageJob() override;

  // Opens both sockets (ports in-out), prepares the file at `path` and queues the greeting. The
  // job holds the greeting until it ends. False (logged), everything released.
  [[nodiscard]] bool Start(int* inPort, int* outPort, std::shared_ptr<const CWaveMemFile> greeting,
                           const std::u16string& path, bool monitor);

  void OnNextBlock() override;
  void OnVAOutDone(qav::Msg& msg) override;
  void OnVAInData(qav::Msg& msg) override;
  void OnSpeakerBlockDone(qav::Msg& msg) override;

 private:
  friend class VoiceMessageJobBenchAccess;  // times the per-block work of the call path

  void SendGreetingBlock(uint8_t* block, size_t bytes, uint64_t position);
  void EndOfGreeting();
  void EnterCallerRecording();
  void RecordCallerBlock(vahdr_tag& block);

  std::shared_ptr<const CWaveMemFile> m_greeting;
  size_t m_greetingPosition = 0;
  uint32_t m_bytesPerRead = 0;
  std::unique_ptr<CAudioFormatConverter> m_greetingConverter;
};
