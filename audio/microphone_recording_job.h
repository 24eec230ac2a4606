// Recording a greeting from the microphone (state 3) into a new .wav, or a .mp3 through the
// encoder, in the format of the recording quality. A stop writes into the file what the
// microphone holds and what it has given back but is still queued, so the end is kept.
#pragma once

#include <string>

#include "audio/audio_job.h"
#include "audio/microphone_input.h"
#include "audio/recording_output.h"

class CMicrophoneRecordingJob final : public CAudioJob {
 public:
  explicit CMicrophoneRecordingJob(AudioThreadContext& context);
  ~CMicrophoneRecordingJob() override;

  // Creates the file and starts the microphone; false (logged) with a file the start created
  // taken away again.
  [[nodiscard]] bool Start(const std::u16string& path);
  // Ends the recording (-> 0) with everything the microphone gave written; false when the file
  // could not be finished.
  [[nodiscard]] bool Finish();

  void OnMicrophoneData(qav::Msg& msg) override;
  void Shutdown() override { (void)Finish(); }

 private:
  WAVEFORMATEX m_captureFormat{};  // the output's, or PCM for the encoder
  CRecordingOutput m_output;
  CMicrophoneInput m_microphone;
};
