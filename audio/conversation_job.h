// Recording a conversation (state 7): the call's sound output and the microphone the call client
// uses, paired block by block (audio/conversation_ring.h) and written mixed (mono) or side by
// side (stereo). The microphone also goes into the call, with the beeps in it; the call is played
// on the call client's speaker. An existing recording is continued in its own format.
#pragma once

#include <string>
#include <vector>

#include "audio/call_audio_job.h"
#include "audio/conversation_ring.h"
#include "audio/microphone_input.h"

class CConversationJob final : public CCallAudioJob {
 public:
  explicit CConversationJob(AudioThreadContext& context);
  ~CConversationJob() override;

  // Opens both sockets (ports in-out), the speaker and the microphone by the call client's device
  // names, and prepares or continues the file at `path`. False (logged), everything released.
  [[nodiscard]] bool Start(int* inPort, int* outPort, const std::u16string& path, const std::u16string& outputDevice,
                           const std::u16string& inputDevice);

  void OnVAInData(qav::Msg& msg) override;
  void OnMicrophoneData(qav::Msg& msg) override;
  void OnSpeakerBlockDone(qav::Msg& msg) override;

 private:
  void CloseOwnDevices() override { m_microphone.Close(); }
  void WritePair(const std::vector<uint8_t>& far, const std::vector<uint8_t>& near);

  CMicrophoneInput m_microphone;
  int m_channels = 1;
  CConversationRing m_ring;
  std::vector<uint8_t> m_mixBuffer;
  std::vector<uint8_t> m_speakerBeepBlock;  // silence the speaker's beeps are written over
};
