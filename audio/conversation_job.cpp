#include "audio/conversation_job.h"

#include "audio/audio_device_list.h"
#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"
#include "foundation/settings.h"

namespace {

constexpr uint32_t kConversationRate = 16000;

}  // namespace

CConversationJob::CConversationJob(AudioThreadContext& context)
    : CCallAudioJob(context, u"New Recorded Conversation of %d sec (Total %d Bytes, %d Bytes/Sec)") {}

CConversationJob::~CConversationJob() { m_microphone.Close(); }

bool CConversationJob::Start(int* inPort, int* outPort, const std::u16string& path,
                             const std::u16string& outputDevice, const std::u16string& inputDevice) {
  bool created = false;
  auto fail = [&] {
    m_microphone.Close();
    ReleaseAfterFailedStart(path, created);
    return false;
  };
  const std::optional<AudioFileKind> kind = CheckJobPath(path);
  if (!kind) return fail();
  const int quality = g_AudioFileRecordingQuality.Get();
  int channels = g_ConversationAudioFileModeStereo.Get() != 0 ? 2 : 1;

  // An existing recording is continued in its own format, whatever the settings say now.
  bool joining = false;
  WAVEFORMATEX joinedWave{};
  MPEGLAYER3WAVEFORMAT joinedMpeg{};
  uint32_t dataOffset = 0, dataAlready = 0;
  created = !qav::PathExists(path);
  if (!created) {
    uint32_t offset = 0, size = 0;
    if (*kind == AudioFileKind::kWav && qav::ReadAudioFileHeaderFormatWAVE(path, &joinedWave, &offset, &size) == 1) {
      joining = true;
      channels = joinedWave.nChannels;
      dataOffset = offset;
      dataAlready = size;
    } else if (*kind == AudioFileKind::kMp3 && qav::ReadAudioFileHeaderFormatMPEG(path, &joinedMpeg, &offset, &size) == 1 &&
               joinedMpeg.wfx.nSamplesPerSec != 0) {
      joining = true;
      channels = joinedMpeg.wfx.nChannels;
      dataAlready = size;
    }
    if (joining && channels != 1 && channels != 2) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR conversation file with %d Audio Channels]", channels);
      return fail();
    }
  }
  if (!m_link.Open(m_context.thread, inPort, outPort, kLiveBlockSize)) return fail();
  m_link.SetOutLive(true);  // the microphone goes into the call as it comes
  if (!m_speaker.Open(KnownPlaybackDeviceId(outputDevice), kLiveFormat, m_context.thread)) return fail();
  if (!m_microphone.Open(KnownRecordingDeviceId(inputDevice), kLiveFormat, m_context.thread,
                         kLiveBlockSize)) {
    return fail();
  }
  m_channels = channels;
  m_mixBuffer.assign(static_cast<size_t>(channels) * kLiveBlockSize, 0);
  m_speakerBeepBlock.reserve(kLiveBlockSize);
  m_ring.Clear();

  const WAVEFORMATEX source = WaveUtilsMakePCMFormat(static_cast<uint16_t>(channels), 16, kConversationRate);
  if (*kind == AudioFileKind::kWav) {
    std::optional<WAVEFORMATEX> target = joining ? std::optional(joinedWave) : ConversationWaveFormat(quality, channels);
    if (!target) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR recording quality (%d)]", quality);
      return fail();
    }
    if (!m_output.PrepareWave(path, source, *target,
                              u"CAudioDriver [ERROR from PrepareAudioFileForWritingWave with %d Audio Channels]",
                              dataAlready, dataOffset)) {
      return fail();
    }
  } else {
    std::optional<MPEGLAYER3WAVEFORMAT> mp3 =
        joining ? std::optional(joinedMpeg) : MakeMpegFormat(ConversationMpegBitRate(quality), kConversationRate, channels);
    if (!mp3) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from MPEGFormatStructConfig]");
      return fail();
    }
    if (!m_output.PrepareMpeg(path, source, *mp3, qav::kConversationRecordingTitle, dataAlready)) return fail();
  }
  QAV_LOG(LOG_INFO, u"CAudioDriver [Using %d Audio Channels in Recorded Conversation File]", channels);
  m_callBeeps.Reset();
  m_speakerBeeps.Reset();
  for (int i = 0; i < CCallLink::kInitialInBuffers; ++i) {
    if (!m_link.LendInBuffer() || !m_microphone.AddBuffer()) return fail();
  }
  if (!m_microphone.Start()) return fail();
  if (!m_link.In().Start()) {
    QAV_LOG(LOG_WARNING, u"Line:%d - VAIN[%x]: ", __LINE__, m_link.In().GetState());
    return fail();
  }
  return true;
}

void CConversationJob::OnVAInData(qav::Msg& msg) {
  VaHeaderPtr block = m_link.TakeIn(msg);
  if (!block) return;
  const size_t bytes = block->bytesDone & ~1u;
  if (m_context.State() == AudioDriverState::kRecordingConversation && bytes > 0) {
    m_ring.PutFar(block->data.data(), bytes, [this](const auto& far, const auto& near) { WritePair(far, near); });
    if (m_speaker.IsOpen() && m_speakerBeeps.GetPending() > 0) {
      m_speakerBeepBlock.assign(bytes, 0);  // within the reserved capacity: no allocation
      m_speakerBeeps.Generate(qav::Samples(m_speakerBeepBlock.data()), bytes / 2);
      m_speaker.Write(m_speakerBeepBlock.data(), bytes, 0);
    }
  }
  m_link.RecycleIn(std::move(block));
}

void CConversationJob::OnMicrophoneData(qav::Msg& msg) {
  qav::WaveHeaderPtr buffer = m_microphone.Take(msg);
  if (!buffer) return;
  if (m_context.State() != AudioDriverState::kRecordingConversation) return;
  const size_t bytes = buffer->bytesRecorded & ~1u;
  if (bytes > 0) {
    uint8_t* data = buffer->data.data();
    m_callBeeps.Generate(qav::Samples(data), bytes / 2);
    m_link.WriteOut(data, bytes, 0);
    m_ring.PutNear(data, bytes, [this](const auto& far, const auto& near) { WritePair(far, near); });
  }
  m_microphone.Recycle(std::move(buffer));
}

void CConversationJob::OnSpeakerBlockDone(qav::Msg& msg) {
  uint64_t position = 0;
  m_speaker.TakeBack(msg, &position);
}

void CConversationJob::WritePair(const std::vector<uint8_t>& far, const std::vector<uint8_t>& near) {
  const size_t bytes = qav::MixConversationPair(far, near, m_channels, m_mixBuffer.data(), m_mixBuffer.size());
  if (bytes > 0) m_output.Append(m_mixBuffer.data(), bytes, u"CAudioDriver [ERROR: in _write() to file]");
}
