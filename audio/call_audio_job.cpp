#include "audio/call_audio_job.h"

#include <unistd.h>

#include "audio/wave_utils.h"
#include "foundation/logger.h"
#include "platform/text.h"

const WAVEFORMATEX CCallAudioJob::kLiveFormat = WaveUtilsMakePCMFormat(1, 16, 16000);

CCallAudioJob::CCallAudioJob(AudioThreadContext& context, const char16_t* doneText)
    : CAudioJob(context), m_output(context.recordingConversionBuffer), m_doneText(doneText) {}

CCallAudioJob::~CCallAudioJob() { ReleaseAll(); }

void CCallAudioJob::InsertBeep() {
  m_callBeeps.AddBeep();
  m_speakerBeeps.AddBeep();
}

bool CCallAudioJob::Finish(int* seconds) {
  int length = 0;
  uint32_t bytesPerSecond = 0;
  const bool finished = m_output.Finish(&length, &bytesPerSecond);
  m_context.SetState(AudioDriverState::kIdle);
  ReleaseAll();
  if (!finished) return false;
  QAV_LOG(LOG_INFO, m_doneText, length, m_output.BytesWritten(), bytesPerSecond);
  *seconds = length;
  return true;
}

void CCallAudioJob::Shutdown() {
  // A job still running ends as its stop would: the file keeps what was recorded.
  int seconds = 0;
  (void)Finish(&seconds);
}

void CCallAudioJob::ReleaseAfterFailedStart(const std::u16string& path, bool created) {
  ReleaseAll();
  // A file the start made holds nothing worth keeping (at most a header): a later call must not
  // find it in the way, nor a list show it.
  if (created) ::unlink(qav::U8(path).c_str());
}

void CCallAudioJob::ReleaseAll() {
  CloseOwnDevices();
  m_speaker.Close();
  m_link.Close();
  m_output.Close();
  AudioThreadContext::RemoveAndReleaseAudioWaveBufferFromQ();
}
