// What the two call jobs share (the voice message and the recorded conversation): the loopback
// link, the recording file, the speaker when it is open, the beeps into the call and onto the
// speaker, and the end of the job that finishes the file.
#pragma once

#include <cstdint>
#include <string>

#include "audio/audio_job.h"
#include "audio/beep_generator.h"
#include "audio/call_link.h"
#include "audio/recording_output.h"
#include "audio/speaker_output.h"

class CCallAudioJob : public CAudioJob {
 public:
  // The live format on both sockets, the microphone and the speaker: 16000 Hz, 16-bit, mono, in
  // blocks of 40 ms.
  static const WAVEFORMATEX kLiveFormat;
  static constexpr uint32_t kLiveBlockSize = 1280;

  ~CCallAudioJob() override;

  // One more beep into the call (and on the speaker when it is open).
  void InsertBeep();
  // Ends the job (-> 0), finishes the file and gives its length in seconds (rounded up); false
  // when the file could not be finished.
  [[nodiscard]] bool Finish(int* seconds);

  void Shutdown() override;

 protected:
  CCallAudioJob(AudioThreadContext& context, const char16_t* doneText);
  // Releases everything opened; a file this start created is taken away again.
  void ReleaseAfterFailedStart(const std::u16string& path, bool created);
  void ReleaseAll();
  // The devices a derived job adds, closed first by ReleaseAll (a derived destructor closes its own).
  virtual void CloseOwnDevices() {}

  CCallLink m_link;
  CRecordingOutput m_output;
  CSpeakerOutput m_speaker;
  CBeepGenerator m_callBeeps;
  CBeepGenerator m_speakerBeeps;

 private:
  const char16_t* m_doneText;
};

namespace qav {
// The 16-bit samples of a block of bytes.
inline int16_t* Samples(uint8_t* bytes) { return reinterpret_cast<int16_t*>(bytes); }
}  // namespace qav
