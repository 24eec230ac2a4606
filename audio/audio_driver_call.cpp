// The call audio: the greeting played into the call, the caller's voice message, the recorded
// conversation and the beeps, on the loopback link (and the sound devices for a conversation).
#include <algorithm>
#include <cstring>

#include "audio/audio_device_list.h"
#include "audio/audio_driver.h"
#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/mpeg_convert.h"
#include "audio/mpeg_utils.h"
#include "audio/pcm_convert.h"
#include "audio/va_in.h"
#include "audio/va_out.h"
#include "audio/wave_mem_file.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_loop.h"

namespace {

// The live format on both sockets, the microphone and the speaker: 16000 Hz, 16-bit, mono, in
// blocks of 40 ms.
const WAVEFORMATEX kLiveFormat = WaveUtilsMakePCMFormat(1, 16, 16000);
constexpr uint32_t kLiveBlockSize = 1280;
// A voice message written as MP3 takes one encoder frame of input at a time.
constexpr uint32_t kMpegBlockSize = 1152 * 2;
constexpr int kGreetingBlocksInFlight = 4;
constexpr int kInitialBuffers = 10;
constexpr int kMinVAInBuffers = 6;
constexpr int kMinMicrophoneBuffers = 4;

const char16_t* const kMessageDoneText = u"New Voice Message of %d sec (Total %d Bytes, %d Bytes/Sec)";
const char16_t* const kConversationDoneText = u"New Recorded Conversation of %d sec (Total %d Bytes, %d Bytes/Sec)";

bool SamePcm(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
  return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec && a.wBitsPerSample == b.wBitsPerSample;
}

// The output formats by quality (0-2); false for another quality.
bool MessageWaveFormat(int quality, WAVEFORMATEX* f) {
  switch (quality) {
    case 0: *f = WaveUtilsMakePCMFormat(1, 16, 44100); return true;
    case 1: *f = WaveUtilsMakePCMFormat(1, 16, 16000); return true;
    case 2: *f = WaveUtilsMakePCMFormat(1, 8, 8000); return true;
    default: return false;
  }
}
bool ConversationWaveFormat(int quality, int channels, WAVEFORMATEX* f) {
  const auto c = static_cast<uint16_t>(channels);
  switch (quality) {
    case 0: *f = WaveUtilsMakePCMFormat(c, 16, 16000); return true;
    case 1: *f = WaveUtilsMakePCMFormat(c, 8, 16000); return true;
    case 2: *f = WaveUtilsMakePCMFormat(c, 8, 8000); return true;
    default: return false;
  }
}
int MessageMpegBitRate(int quality) {
  static constexpr int kRates[] = {256000, 96000, 32000};
  return quality >= 0 && quality <= 2 ? kRates[quality] : 0;
}
int ConversationMpegBitRate(int quality) {
  static constexpr int kRates[] = {128000, 64000, 32000};
  return quality >= 0 && quality <= 2 ? kRates[quality] : 0;
}

bool MakeMpegFormat(int bitRate, int channels, MPEGLAYER3WAVEFORMAT* mp3) {
  MPEGFrameInfo info;
  *mp3 = MPEGLAYER3WAVEFORMAT{};
  return bitRate > 0 && qav::MakeMP3EncoderSettings(bitRate, 16000, channels, &info) &&
         MPEGFormatStructConfig(info, mp3);
}

int16_t* Samples(uint8_t* bytes) { return reinterpret_cast<int16_t*>(bytes); }

}  // namespace

int CAudioDriver::OpenLoopback(AudioDriverRequest& r) {
  const qav::ThreadId self = m_thread.threadId();
  int inPort = r.inPort;
  int outPort = r.outPort;
  m_pvaSkypeIn = std::make_unique<CVAIn>();
  m_pvaSkypeOut = std::make_unique<CVAOut>();
  QAV_LOG(LOG_INFO, u"m_pvaSkypeIn->Open( Port = %d )", inPort);
  const bool inOpen = m_pvaSkypeIn->Open(self, &inPort) == 1;
  QAV_LOG(LOG_INFO, u"m_pvaSkypeOut->Open( Port = %d )", outPort);
  if (!inOpen || m_pvaSkypeOut->Open(self, &outPort) != 1) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR form VAOpen In or Out]");
    return 0;
  }
  r.inPort = inPort;
  r.outPort = outPort;
  return 1;
}

void CAudioDriver::OnRecSkypeMsgStart(AudioDriverRequest& r) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecSkypeMsgStart [Mute: %s]", r.monitor ? u"OFF" : u"ON");
  if (!BeginJob(4)) return;
  m_bytesWritten = 0;
  m_startTime = 0;
  m_dataStartOffset = 0;
  m_vaOutBlocksOutstanding = m_vaInBuffersQueued = m_speakerBlocksOutstanding = m_microphoneBuffersQueued = 0;
  m_greeting = r.greeting;
  m_greetingPosition = 0;
  m_sourceKind = u"wav";
  m_sourcePath.clear();
  m_monitor = r.monitor != 0;
  // Every failure from here on releases what was opened and returns to idle.
  auto fail = [&] {
    ReleaseAudioStreamResources();
    CloseOutputFile();
    m_greeting.reset();
    m_state.store(0, std::memory_order_release);
    r.result = 0;
  };
  if (!m_greeting) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR getting CFile from MemFile]");
    return fail();
  }
  if (!CheckStartPath(r.path, &m_targetKind)) return fail();
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
  if (m_bytesPerRead == 0 || m_bytesPerRead > m_readBuffer.size()) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR greeting block of %d bytes]", m_bytesPerRead);
    return fail();
  }
  if (!OpenLoopback(r)) return fail();
  if (!SamePcm(greetingFormat, kLiveFormat)) {
    auto converter = std::make_unique<CPCMConvert>();
    if (!converter->Init(&greetingFormat, &kLiveFormat)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
      return fail();
    }
    m_playbackConverter = std::move(converter);
  }
  // The audio thread's own copy of the options it needs for this job.
  const int quality = g_AudioFileRecordingQuality.Get();
  if (m_targetKind == u"wav") {
    WAVEFORMATEX target;
    if (!MessageWaveFormat(quality, &target)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR recording quality (%d)]", quality);
      return fail();
    }
    m_blockSize = kLiveBlockSize;
    if (!PrepareOutputWave(r.path, kLiveFormat, target, u"CAudioDriver [ERROR from PrepareAudioFileForWritingWave]")) {
      return fail();
    }
  } else {
    MPEGLAYER3WAVEFORMAT mp3;
    if (!MakeMpegFormat(MessageMpegBitRate(quality), 1, &mp3)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from MPEGFormatStructConfig]");
      return fail();
    }
    m_blockSize = kMpegBlockSize;
    if (!PrepareOutputMpeg(r.path, kLiveFormat, mp3, qav::kVoiceMessageRecordingTitle)) return fail();
  }
  if (m_monitor && !OpenSpeaker(CPlaybackDeviceList().GetIdByName(g_AudioPlaybackDeviceName.Get()))) return fail();
  m_callBeeps.Reset();
  m_speakerBeeps.Reset();
  for (int i = 0; i < kInitialBuffers; ++i) {
    if (!LendVAInBuffer()) return fail();
  }
  // The caller is recorded only once the greeting has been played: what comes before is dropped.
  m_pvaSkypeIn->SetDiscard(true);
  for (int i = 0; i < kGreetingBlocksInFlight; ++i) {
    qav::PostThreadMessage(m_thread.threadId(), WM_AUDIO_PLAY_NEXT_BUFFER);
  }
  r.result = 1;
}

void CAudioDriver::OnPlayNextBuffer() {
  if (GetState() != 4 || !m_greeting) return;  // (state 1 is file playback)
  const std::span<const uint8_t> samples = m_greeting->GetSamples();
  const size_t n = std::min<size_t>(m_bytesPerRead, samples.size() - std::min(samples.size(), m_greetingPosition));
  if (n == 0) return EndOfGreeting();
  std::memcpy(m_readBuffer.data(), samples.data() + m_greetingPosition, n);
  m_greetingPosition += n;
  uint8_t* block = m_readBuffer.data();
  size_t bytes = n;
  if (m_playbackConverter) {
    const int converted = m_playbackConverter->Convert(m_readBuffer.data(), static_cast<uint32_t>(n),
                                                       m_playbackConversionBuffer.data(),
                                                       static_cast<uint32_t>(m_playbackConversionBuffer.size()));
    if (converted < 0) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
      return EndOfGreeting();
    }
    block = m_playbackConversionBuffer.data();
    bytes = static_cast<size_t>(converted);
  }
  if (bytes < 2) {
    // Nothing came out of this piece (a resampler gathering): read on, or the greeting would stop.
    qav::PostThreadMessage(m_thread.threadId(), WM_AUDIO_PLAY_NEXT_BUFFER);
    return;
  }
  SendGreetingBlock(block, bytes, m_greetingPosition);
}

void CAudioDriver::SendGreetingBlock(uint8_t* block, size_t bytes, uint64_t position) {
  bytes &= ~size_t{1};
  m_callBeeps.Generate(Samples(block), bytes / 2);
  if (!WriteToVAOut(block, bytes, position)) {
    qav::PostThreadMessage(m_thread.threadId(), WM_AUDIO_PLAY_NEXT_BUFFER);  // no block comes back: read on
  }
  if (m_speaker) WriteToSpeaker(block, bytes, position);
}

void CAudioDriver::EndOfGreeting() {
  if (GetState() != 4) return;
  if (m_playbackConverter) {
    const int n = m_playbackConverter->Flush(m_playbackConversionBuffer.data(),
                                             static_cast<uint32_t>(m_playbackConversionBuffer.size()));
    if (n >= 2) SendGreetingBlock(m_playbackConversionBuffer.data(), static_cast<size_t>(n), m_greetingPosition);
  }
  m_state.store(5, std::memory_order_release);
  // Nothing left out there (an empty greeting, or every block already back): record at once.
  if (m_vaOutBlocksOutstanding == 0) EnterCallerRecording();
}

void CAudioDriver::EnterCallerRecording() {
  m_state.store(6, std::memory_order_release);
  m_startTime = m_clock->Now().seconds;
  m_pvaSkypeIn->SetDiscard(false);
  if (!m_pvaSkypeIn->Start()) {
    QAV_LOG(LOG_WARNING, u"Line:%d - VAIN[%x]: ", __LINE__, m_pvaSkypeIn->GetState());
  }
}

void CAudioDriver::OnVAOutDone(qav::Msg& msg) {
  if (!m_pvaSkypeOut || msg.wParam != m_pvaSkypeOut->GetId()) return;  // of a job that has ended
  if (m_vaOutBlocksOutstanding > 0) --m_vaOutBlocksOutstanding;
  const int state = GetState();
  if (state == 4) {
    qav::PostThreadMessage(m_thread.threadId(), WM_AUDIO_PLAY_NEXT_BUFFER);
  } else if (state == 5 && m_vaOutBlocksOutstanding == 0) {
    EnterCallerRecording();
  }
}

void CAudioDriver::OnVAInData(qav::Msg& msg) {
  if (!m_pvaSkypeIn || msg.wParam != m_pvaSkypeIn->GetId() || !msg.Get<vahdr_tag>()) return;
  VaHeaderPtr block(static_cast<vahdr_tag*>(msg.payload.release()));
  if (!block) return;
  if (m_vaInBuffersQueued > 0) --m_vaInBuffersQueued;
  const size_t bytes = block->bytesDone & ~1u;
  const int state = GetState();
  if (state == 6 && bytes > 0) {
    RecordCallerBlock(*block);
  } else if (state == 7 && bytes > 0) {
    m_ring.PutFar(block->data.data(), bytes, [this](const auto& far, const auto& near) {
      WriteConversationPair(far, near);
    });
    if (m_speaker && m_speakerBeeps.GetPending() > 0) {
      std::vector<uint8_t> beep(bytes, 0);
      m_speakerBeeps.Generate(Samples(beep.data()), bytes / 2);
      WriteToSpeaker(beep.data(), bytes, 0);
    }
  }
  if (state >= 4 && state <= 7 && m_vaInBuffersQueued < kMinVAInBuffers) LendVAInBuffer(std::move(block));
}

void CAudioDriver::RecordCallerBlock(vahdr_tag& block) {
  uint8_t* data = block.data.data();
  const size_t bytes = block.bytesDone & ~1u;
  if (m_speaker) {
    m_speakerBeeps.Generate(Samples(data), bytes / 2);
    WriteToSpeaker(data, bytes, 0);
  }
  if (!AppendToOutput(data, bytes, u"CAudioDriver [ERROR write to file from Skype Audio]")) return;
  // The call's input keeps receiving a stream: near silence (the caller's sound masked to its two
  // lowest bits) with the beeps in it.
  int16_t* s = Samples(data);
  for (size_t i = 0; i < bytes / 2; ++i) s[i] = static_cast<int16_t>(s[i] & 3);
  m_callBeeps.Generate(s, bytes / 2);
  WriteToVAOut(data, bytes, 0);
}

void CAudioDriver::OnWaveOutDone(qav::Msg& msg) {
  // (blocks of file playback, states 1 and 2, are handled by the playback code)
  if (m_speaker && msg.wParam == m_speaker->id() && m_speakerBlocksOutstanding > 0) --m_speakerBlocksOutstanding;
}

void CAudioDriver::OnWaveInData(qav::Msg& msg) {
  if (!m_microphone || msg.wParam != m_microphone->id() || !msg.Get<qav::WaveHeader>()) return;
  qav::WaveHeaderPtr buffer(static_cast<qav::WaveHeader*>(msg.payload.release()));
  if (!buffer) return;
  if (m_microphoneBuffersQueued > 0) --m_microphoneBuffersQueued;
  const size_t bytes = buffer->bytesRecorded & ~1u;
  if (GetState() != 7) return;  // (state 3 is the microphone recording of a greeting)
  if (bytes > 0) {
    uint8_t* data = buffer->data.data();
    m_callBeeps.Generate(Samples(data), bytes / 2);
    WriteToVAOut(data, bytes, 0);
    m_ring.PutNear(data, bytes, [this](const auto& far, const auto& near) { WriteConversationPair(far, near); });
  }
  if (m_microphoneBuffersQueued < kMinMicrophoneBuffers) AddMicrophoneBuffer(std::move(buffer));
}

void CAudioDriver::WriteConversationPair(const std::vector<uint8_t>& far, const std::vector<uint8_t>& near) {
  const size_t bytes = qav::MixConversationPair(far, near, m_conversationChannels, m_mixBuffer.data(), m_mixBuffer.size());
  if (bytes > 0) AppendToOutput(m_mixBuffer.data(), bytes, u"CAudioDriver [ERROR: in _write() to file]");
}

void CAudioDriver::OnRecSkypeMsgStop(AudioDriverRequest& r) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecSkypeMsgStop");
  const int state = GetState();
  if (state < 4 || state > 6) return;
  r.result = FinishCallJob(&r.seconds, kMessageDoneText);
}

void CAudioDriver::OnRecSkypeConvStop(AudioDriverRequest& r) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecSkypeConvStop");
  if (GetState() != 7) return;
  r.result = FinishCallJob(&r.seconds, kConversationDoneText);
}

int CAudioDriver::FinishCallJob(int* seconds, const char16_t* doneText) {
  int length = 0;
  uint32_t bytesPerSecond = 0;
  const bool finished = FinishOutputFile(&length, &bytesPerSecond);
  m_state.store(0, std::memory_order_release);
  ReleaseAudioStreamResources();
  CloseOutputFile();
  m_greeting.reset();
  if (!finished) return 0;
  QAV_LOG(LOG_INFO, doneText, length, m_bytesWritten, bytesPerSecond);
  *seconds = length;
  return 1;
}

void CAudioDriver::OnRecSkypeInsertBeep(AudioDriverRequest& r) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecSkypeInsertBeep");
  const int state = GetState();
  if (state < 4 || state > 7) return;
  m_callBeeps.AddBeep();
  m_speakerBeeps.AddBeep();
  r.result = 1;
}

void CAudioDriver::OnRecSkypeConvStart(AudioDriverRequest& r) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecSkypeConvStart");
  if (!BeginJob(7)) return;
  m_bytesWritten = 0;
  m_startTime = 0;
  m_dataStartOffset = 0;
  m_vaOutBlocksOutstanding = m_vaInBuffersQueued = m_speakerBlocksOutstanding = m_microphoneBuffersQueued = 0;
  auto fail = [&] {
    ReleaseAudioStreamResources();
    CloseOutputFile();
    m_state.store(0, std::memory_order_release);
    r.result = 0;
  };
  if (!CheckStartPath(r.path, &m_targetKind)) return fail();
  const int quality = g_AudioFileRecordingQuality.Get();
  int channels = g_ConversationAudioFileModeStereo.Get() != 0 ? 2 : 1;

  // An existing recording is continued in its own format, whatever the settings say now.
  bool joining = false;
  WAVEFORMATEX joinedWave{};
  MPEGLAYER3WAVEFORMAT joinedMpeg{};
  if (qav::PathExists(r.path)) {
    uint32_t offset = 0, size = 0;
    if (m_targetKind == u"wav" && qav::ReadAudioFileHeaderFormatWAVE(r.path, &joinedWave, &offset, &size) == 1) {
      joining = true;
      channels = joinedWave.nChannels;
      m_dataStartOffset = offset;
      m_bytesWritten = size;
    } else if (m_targetKind == u"mp3" &&
               qav::ReadAudioFileHeaderFormatMPEG(r.path, &joinedMpeg, &offset, &size) == 1 &&
               joinedMpeg.wfx.nSamplesPerSec != 0) {
      joining = true;
      channels = joinedMpeg.wfx.nChannels;
      m_bytesWritten = size;
    }
    if (joining && channels != 1 && channels != 2) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR conversation file with %d Audio Channels]", channels);
      return fail();
    }
  }
  if (!OpenLoopback(r)) return fail();
  std::u16string outputDevice, inputDevice;
  {
    std::lock_guard lock(m_skypeDevicesMutex);
    outputDevice = m_skypeOutputDevice;
    inputDevice = m_skypeInputDevice;
  }
  if (!OpenSpeaker(CPlaybackDeviceList().GetIdByName(outputDevice))) return fail();
  if (!OpenMicrophone(CRecordingDeviceList().GetIdByName(inputDevice))) return fail();
  m_blockSize = kLiveBlockSize;
  m_conversationChannels = channels;
  m_mixBuffer.assign(static_cast<size_t>(channels) * kLiveBlockSize, 0);
  m_ring.Clear();

  const WAVEFORMATEX source = WaveUtilsMakePCMFormat(static_cast<uint16_t>(channels), 16, 16000);
  if (m_targetKind == u"wav") {
    WAVEFORMATEX target = joinedWave;
    if (!joining && !ConversationWaveFormat(quality, channels, &target)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR recording quality (%d)]", quality);
      return fail();
    }
    if (!PrepareOutputWave(r.path, source, target,
                           u"CAudioDriver [ERROR from PrepareAudioFileForWritingWave with %d Audio Channels]")) {
      return fail();
    }
  } else {
    MPEGLAYER3WAVEFORMAT mp3 = joinedMpeg;
    if (!joining && !MakeMpegFormat(ConversationMpegBitRate(quality), channels, &mp3)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from MPEGFormatStructConfig]");
      return fail();
    }
    if (!PrepareOutputMpeg(r.path, source, mp3, qav::kConversationRecordingTitle)) return fail();
  }
  QAV_LOG(LOG_INFO, u"CAudioDriver [Using %d Audio Channels in Recorded Conversation File]", channels);
  m_callBeeps.Reset();
  m_speakerBeeps.Reset();
  for (int i = 0; i < kInitialBuffers; ++i) {
    if (!LendVAInBuffer() || !AddMicrophoneBuffer()) return fail();
  }
  if (m_microphone->Start() != qav::MMSYSERR_NOERROR) {
    LogWaveError(__LINE__, u"WAVEIN", 0, qav::MMSYSERR_ERROR);
    return fail();
  }
  if (!m_pvaSkypeIn->Start()) {
    QAV_LOG(LOG_WARNING, u"Line:%d - VAIN[%x]: ", __LINE__, m_pvaSkypeIn->GetState());
    return fail();
  }
  m_startTime = m_clock->Now().seconds;
  r.result = 1;
}
