#include "audio/microphone_recording_job.h"

#include <unistd.h>

#include <algorithm>

#include "audio/audio_device_list.h"
#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_loop.h"
#include "platform/text.h"

namespace {

// A greeting recorded as MP3 is captured in blocks of this many bytes, at this rate.
constexpr uint32_t kMpegCaptureBlockSize = 1152;
constexpr uint32_t kGreetingMpegRate = 44100;

}  // namespace

CMicrophoneRecordingJob::CMicrophoneRecordingJob(AudioThreadContext& context)
    : CAudioJob(context), m_output(context.recordingConversionBuffer) {}

CMicrophoneRecordingJob::~CMicrophoneRecordingJob() {
  m_microphone.Close();
  m_output.Close();
}

bool CMicrophoneRecordingJob::Start(const std::u16string& path) {
  const std::optional<AudioFileKind> kind = CheckJobPath(path);
  if (!kind) return false;
  bool created = false;  // the start made the file: a failed start takes it away again
  auto fail = [&] {
    m_microphone.Close();
    m_output.Close();
    if (created) ::unlink(qav::U8(path).c_str());
    return false;
  };
  // The audio thread's own copy of the option for this recording.
  const int quality = g_AudioFileRecordingQuality.Get();
  uint32_t blockSize = 0;
  if (*kind == AudioFileKind::kWav) {
    const std::optional<WAVEFORMATEX> target = VoiceWaveFormat(quality);
    if (!target) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR recording quality (%d)]", quality);
      return fail();
    }
    blockSize = target->nBlockAlign * target->nSamplesPerSec / 25;
    m_captureFormat = *target;
    ::unlink(qav::U8(path).c_str());  // a new greeting replaces the file
    created = true;
    if (!m_output.PrepareWave(path, *target, *target,
                              u"CAudioDriver [ERROR from PrepareAudioFileForWritingWave with %d Audio Channels]")) {
      return fail();
    }
  } else {
    const int bitRate = VoiceMpegBitRate(quality);
    if (bitRate == 0) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR recording quality (%d)]", quality);
      return fail();
    }
    const std::optional<MPEGLAYER3WAVEFORMAT> mp3 = MakeMpegFormat(bitRate, kGreetingMpegRate, 1);
    if (!mp3) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from MPEGFormatStructConfig]");
      return fail();
    }
    blockSize = kMpegCaptureBlockSize;
    m_captureFormat = WaveUtilsMakePCMFormat(mp3->wfx.nChannels, 16, mp3->wfx.nSamplesPerSec);
    created = !qav::PathExists(path);
    if (!m_output.PrepareMpeg(path, m_captureFormat, *mp3, qav::kGreetingRecordingTitle)) {
      created = created && qav::PathExists(path);
      return fail();
    }
  }
  if (!m_microphone.Open(KnownRecordingDeviceId(g_AudioRecordingDeviceName.Get()), m_captureFormat,
                         m_context.thread, blockSize)) {
    return fail();
  }
  for (int i = 0; i < CMicrophoneInput::kInitialBuffers; ++i) {
    if (!m_microphone.AddBuffer()) return fail();
  }
  if (!m_microphone.Start()) return fail();
  return true;
}

void CMicrophoneRecordingJob::OnMicrophoneData(qav::Msg& msg) {
  qav::WaveHeaderPtr buffer = m_microphone.Take(msg);
  if (!buffer) return;
  const uint32_t frame = std::max<uint32_t>(1, m_captureFormat.nBlockAlign);
  const size_t bytes = std::min<size_t>(buffer->bytesRecorded, buffer->data.size()) / frame * frame;
  if (bytes > 0) m_output.Append(buffer->data.data(), bytes, u"CAudioDriver [ERROR write to file from MIC]");
  m_microphone.Recycle(std::move(buffer));
}

bool CMicrophoneRecordingJob::Finish() {
  if (m_microphone.IsOpen()) {
    // What the microphone holds and what it has given back but is still queued goes into the
    // file before it is finished, so the end of the greeting is kept.
    m_microphone.Stop();
    if (qav::MessageLoop* loop = qav::MessageLoop::Current()) {
      for (qav::Msg& msg : loop->TakeMessages(qav::MM_WIM_DATA, qav::MM_WIM_DATA, 0)) OnMicrophoneData(msg);
    }
  }
  int seconds = 0;
  uint32_t bytesPerSecond = 0;
  const bool finished = m_output.Finish(&seconds, &bytesPerSecond);
  m_context.SetState(AudioDriverState::kIdle);
  m_microphone.Close();
  m_output.Close();
  return finished;
}
