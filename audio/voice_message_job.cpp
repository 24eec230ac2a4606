#include "audio/voice_message_job.h"

#include <algorithm>
#include <cstring>

#include "audio/audio_device_list.h"
#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/pcm_convert.h"
#include "audio/wave_mem_file.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"
#include "foundation/settings.h"

namespace {

// A voice message written as MP3 takes one encoder frame of input at a time.
constexpr uint32_t kMpegBlockSize = 1152 * 2;
constexpr int kGreetingBlocksInFlight = 4;
constexpr uint32_t kVoiceMessageRate = 16000;

}  // namespace

CVoiceMessageJob::CVoiceMessageJob(AudioThreadContext& context)
    : CCallAudioJob(context, u"New Voice Message of %d sec (Total %d Bytes, %d Bytes/Sec)") {}

CVoiceMessageJob::~CVoiceMessageJob() = default;

bool CVoiceMessageJob::Start(int* inPort, int* outPort, std::shared_ptr<const CWaveMemFile> greeting,
                             const std::u16string& path, bool monitor) {
  m_greeting = std::move(greeting);
  bool created = false;
  auto fail = [&] {
    ReleaseAfterFailedStart(path, created);
    m_greeting.reset();
    return false;
  };
  if (!m_greeting) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR getting CFile from MemFile]");
    return fail();
  }
  const std::optional<AudioFileKind> kind = CheckJobPath(path);
  if (!kind) return fail();
  WAVEFORMATEX greetingFormat{};
  uint32_t formatSize = kWaveFormatExSize;
  if (!m_greeting->GetFormat(&greetingFormat, &formatSize)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR MemFile WaveFormatGet]");
    return fail();
  }
  if (greetingFormat.wFormatTag != WAVE_FORMAT_PCM) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR Wave Format not WAVE_FORMAT_PCM (%d)]", greetingFormat.wFormatTag);
    return fail();
  }
  m_bytesPerRead = greetingFormat.nBlockAlign * greetingFormat.nSamplesPerSec / 25;
  if (m_bytesPerRead == 0 || m_bytesPerRead > m_context.readBuffer.size()) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR greeting block of %d bytes]", m_bytesPerRead);
    return fail();
  }
  const uint32_t blockSize = *kind == AudioFileKind::kWav ? kLiveBlockSize : kMpegBlockSize;
  if (!m_link.Open(m_context.thread, inPort, outPort, blockSize)) return fail();
  if (!SamePcm(greetingFormat, kLiveFormat)) {
    auto converter = std::make_unique<CPCMConvert>();
    if (!converter->Init(&greetingFormat, &kLiveFormat)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
      return fail();
    }
    m_greetingConverter = std::move(converter);
  }
  // The audio thread's own copy of the options it needs for this job.
  const int quality = g_AudioFileRecordingQuality.Get();
  created = !qav::PathExists(path);
  if (*kind == AudioFileKind::kWav) {
    const std::optional<WAVEFORMATEX> target = VoiceWaveFormat(quality);
    if (!target) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR recording quality (%d)]", quality);
      return fail();
    }
    if (!m_output.PrepareWave(path, kLiveFormat, *target, u"CAudioDriver [ERROR from PrepareAudioFileForWritingWave]")) {
      return fail();
    }
  } else {
    const std::optional<MPEGLAYER3WAVEFORMAT> mp3 = MakeMpegFormat(VoiceMpegBitRate(quality), kVoiceMessageRate, 1);
    if (!mp3) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from MPEGFormatStructConfig]");
      return fail();
    }
    if (!m_output.PrepareMpeg(path, kLiveFormat, *mp3, qav::kVoiceMessageRecordingTitle)) return fail();
  }
  if (monitor &&
      !m_speaker.Open(KnownPlaybackDeviceId(g_AudioPlaybackDeviceName.Get()), kLiveFormat,
                      m_context.thread)) {
    return fail();
  }
  m_callBeeps.Reset();
  m_speakerBeeps.Reset();
  for (int i = 0; i < CCallLink::kInitialInBuffers; ++i) {
    if (!m_link.LendInBuffer()) return fail();
  }
  // The caller is recorded only once the greeting has been played: what comes before is dropped.
  m_link.In().SetDiscard(true);
  m_context.PostNextBlock(kGreetingBlocksInFlight);
  return true;
}

void CVoiceMessageJob::OnNextBlock() {
  if (m_context.State() != AudioDriverState::kPlayingGreeting || !m_greeting) return;
  const std::span<const uint8_t> samples = m_greeting->GetSamples();
  const size_t n = std::min<size_t>(m_bytesPerRead, samples.size() - std::min(samples.size(), m_greetingPosition));
  if (n == 0) return EndOfGreeting();
  std::vector<uint8_t>& read = m_context.readBuffer;
  std::vector<uint8_t>& converted = m_context.playbackConversionBuffer;
  std::memcpy(read.data(), samples.data() + m_greetingPosition, n);
  m_greetingPosition += n;
  uint8_t* block = read.data();
  size_t bytes = n;
  if (m_greetingConverter) {
    const int c = m_greetingConverter->Convert(read.data(), static_cast<uint32_t>(n), converted.data(),
                                               static_cast<uint32_t>(converted.size()));
    if (c < 0) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
      return EndOfGreeting();
    }
    block = converted.data();
    bytes = static_cast<size_t>(c);
  }
  if (bytes < 2) {
    // Nothing came out of this piece (a resampler gathering): read on, or the greeting would stop.
    m_context.PostNextBlock();
    return;
  }
  SendGreetingBlock(block, bytes, m_greetingPosition);
}

void CVoiceMessageJob::SendGreetingBlock(uint8_t* block, size_t bytes, uint64_t position) {
  bytes &= ~size_t{1};
  m_callBeeps.Generate(qav::Samples(block), bytes / 2);
  if (!m_link.WriteOut(block, bytes, position)) m_context.PostNextBlock();  // no block comes back: read on
  if (m_speaker.IsOpen()) m_speaker.Write(block, bytes, position);
}

void CVoiceMessageJob::EndOfGreeting() {
  if (m_context.State() != AudioDriverState::kPlayingGreeting) return;
  if (m_greetingConverter) {
    std::vector<uint8_t>& converted = m_context.playbackConversionBuffer;
    const int n = m_greetingConverter->Flush(converted.data(), static_cast<uint32_t>(converted.size()));
    if (n >= 2) SendGreetingBlock(converted.data(), static_cast<size_t>(n), m_greetingPosition);
  }
  m_context.SetState(AudioDriverState::kGreetingLastBlocks);
  // Nothing left out there (an empty greeting, or every block already back): record at once.
  if (m_link.OutOutstanding() == 0) EnterCallerRecording();
}

void CVoiceMessageJob::EnterCallerRecording() {
  m_context.SetState(AudioDriverState::kRecordingCaller);
  m_link.SetOutLive(true);  // the caller's stream goes back as it comes
  m_link.In().SetDiscard(false);
  if (!m_link.In().Start()) QAV_LOG(LOG_WARNING, u"Line:%d - VAIN[%x]: ", __LINE__, m_link.In().GetState());
}

void CVoiceMessageJob::OnVAOutDone(qav::Msg& msg) {
  if (!m_link.TakeBackOut(msg)) return;  // of a job that has ended
  const AudioDriverState state = m_context.State();
  if (state == AudioDriverState::kPlayingGreeting) {
    m_context.PostNextBlock();
  } else if (state == AudioDriverState::kGreetingLastBlocks && m_link.OutOutstanding() == 0) {
    EnterCallerRecording();
  }
}

void CVoiceMessageJob::OnVAInData(qav::Msg& msg) {
  VaHeaderPtr block = m_link.TakeIn(msg);
  if (!block) return;
  if (m_context.State() == AudioDriverState::kRecordingCaller && (block->bytesDone & ~1u) > 0) {
    RecordCallerBlock(*block);
  }
  m_link.RecycleIn(std::move(block));
}

void CVoiceMessageJob::RecordCallerBlock(vahdr_tag& block) {
  uint8_t* data = block.data.data();
  const size_t bytes = block.bytesDone & ~1u;
  if (m_speaker.IsOpen()) {
    m_speakerBeeps.Generate(qav::Samples(data), bytes / 2);
    m_speaker.Write(data, bytes, 0);
  }
  // A block the converter fails on is dropped whole; after a failed write (a full disk) the file
  // keeps what it has, and the call's input goes on getting its stream and the beeps.
  if (!m_output.Append(data, bytes, u"CAudioDriver [ERROR write to file from Skype Audio]") &&
      !m_output.WriteFailed()) {
    return;
  }
  // The call's input keeps receiving a stream: near silence (the caller's sound masked to its two
  // lowest bits) with the beeps in it.
  int16_t* s = qav::Samples(data);
  for (size_t i = 0; i < bytes / 2; ++i) s[i] = static_cast<int16_t>(s[i] & 3);
  m_callBeeps.Generate(s, bytes / 2);
  m_link.WriteOut(data, bytes, 0);
}

void CVoiceMessageJob::OnSpeakerBlockDone(qav::Msg& msg) {
  uint64_t position = 0;
  m_speaker.TakeBack(msg, &position);
}
