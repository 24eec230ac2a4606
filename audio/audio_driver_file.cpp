// File playback (states 1 and 2) and the microphone recording of a greeting (state 3): the player
// and the greeting pages play recordings on the sound card and record a greeting from the
// microphone through these.
//
// Playback keeps 4 blocks in flight on the playback device: each block that comes back asks for the
// next one. A .wav is read 40 ms at a time and played in its own format; a .mp3 is read a frame at
// a time and decoded to 16-bit PCM at its own rate and channel count. When the file's audio is read
// to the end the decoder gives its last samples (state 2), and when the last block has played,
// playback ends with the end notice. Whenever nothing is left in flight once the reading has
// stopped (a file without audio, a seek to its end, blocks the device refused), playback ends at
// once instead of waiting for a block that will never come back.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "audio/audio_device_list.h"
#include "audio/audio_driver.h"
#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/mpeg_convert.h"
#include "audio/mpeg_utils.h"
#include "audio/pcm_convert.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_loop.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

constexpr int kPlaybackBlocksInFlight = 4;
constexpr int kMicrophoneBuffers = 10;
constexpr int kMinMicrophoneBuffers = 4;
// A greeting recorded as MP3 is captured in blocks of this many bytes.
constexpr uint32_t kMpegCaptureBlockSize = 1152;
constexpr uint32_t kGreetingMpegRate = 44100;

// The format of a greeting recorded as .wav, by quality (0-2); false for another quality.
bool GreetingWaveFormat(int quality, WAVEFORMATEX* f) {
  switch (quality) {
    case 0: *f = WaveUtilsMakePCMFormat(1, 16, 44100); return true;
    case 1: *f = WaveUtilsMakePCMFormat(1, 16, 16000); return true;
    case 2: *f = WaveUtilsMakePCMFormat(1, 8, 8000); return true;
    default: return false;
  }
}

int GreetingMpegBitRate(int quality) {
  static constexpr int kRates[] = {256000, 96000, 32000};
  return quality >= 0 && quality <= 2 ? kRates[quality] : 0;
}

}  // namespace

// ---- playback ----

void CAudioDriver::OnPlayAudioFileStart(AudioDriverRequest& r) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnPlayAudioFileStart");
  if (!BeginJob(1)) return;
  m_speakerBlocksOutstanding = 0;
  m_clientWindow = r.clientWindow;
  m_clientThread = r.clientThread;
  m_clientMessage = r.clientMessage;
  m_clientEventMask = r.clientEventMask;
  m_sourceDataStart = m_sourceDataLength = 0;
  m_sourceFrameBytes = 1;
  m_sourcePosition = 0;
  m_playbackFlushed = false;
  // Every failure from here on closes what was opened and returns to idle, without a notice.
  auto fail = [&] {
    m_state.store(0, std::memory_order_release);
    ReleaseAudioStreamResources();
    ClosePlaybackSource();
    m_clientWindow = 0;
    m_clientThread = 0;
    m_clientMessage = m_clientEventMask = 0;
    r.result = 0;
  };
  if (!CheckStartPath(r.path, &m_sourceKind, u"CAudioDriver [ERROR input file not WAV and not MP3 extention - %s]")) {
    return fail();
  }
  m_sourcePath = r.path;
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnPlayAudioFileStart(%s)", r.path);
  m_inputFd = qav::OpenPath(r.path, O_RDONLY);
  if (m_inputFd < 0) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR unable to open input file - %s]", r.path);
    return fail();
  }
  WAVEFORMATEX deviceFormat{};
  if (!(m_sourceKind == u"wav" ? OpenWaveSource(&deviceFormat) : OpenMpegSource(&deviceFormat))) return fail();
  // A file without audio opens no device: there is nothing to play, and an MP3 without frames has
  // no format to open it in.
  if (m_sourceDataLength > 0 &&
      !OpenSpeaker(CPlaybackDeviceList().GetIdByName(g_AudioPlaybackDeviceName.Get()), deviceFormat)) {
    return fail();
  }
  if (m_pendingSeek > 0) {
    SeekSource(m_pendingSeek);
    m_pendingSeek = 0;
  }
  for (int i = 0; i < kPlaybackBlocksInFlight; ++i) {
    qav::PostThreadMessage(m_thread.threadId(), WM_AUDIO_PLAY_NEXT_BUFFER);
  }
  r.result = 1;
}

bool CAudioDriver::OpenWaveSource(WAVEFORMATEX* deviceFormat) {
  WAVEFORMATEX format{};
  uint32_t dataStart = 0, dataLength = 0;
  if (!WaveUtilsReadAudioFileHeaderFormat(m_inputFd, &format, kWaveFormatExSize, &dataStart, &dataLength)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from WaveUtilsReadAudioFileHeaderFormat]");
    return false;
  }
  if (dataLength == 0) return true;  // an empty file, or a recording never finished: nothing to play
  if (format.wFormatTag != WAVE_FORMAT_PCM) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR Wave Format not WAVE_FORMAT_PCM (%d)]", format.wFormatTag);
    return false;
  }
  if (!qav::IsConsistentPcmFormat(format)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR unusable wave format: %d channels, %d bits, %u Hz, block align %d]",
            format.nChannels, format.wBitsPerSample, format.nSamplesPerSec, format.nBlockAlign);
    return false;
  }
  m_sourceFrameBytes = format.nBlockAlign;
  // 40 ms a block; a format whose 40 ms do not fit the read buffer is read in smaller blocks.
  const uint64_t perBlock = uint64_t{m_sourceFrameBytes} * format.nSamplesPerSec / 25;
  const uint64_t fits = m_readBuffer.size() / m_sourceFrameBytes * m_sourceFrameBytes;
  m_bytesPerRead = static_cast<uint32_t>(std::max<uint64_t>(m_sourceFrameBytes, std::min(perBlock, fits)));
  if (m_bytesPerRead > m_readBuffer.size()) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR sample frame of %d bytes]", m_sourceFrameBytes);
    return false;
  }
  if (!qav::SeekTo(m_inputFd, dataStart)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR creating CFile from fp]");
    return false;
  }
  m_sourceDataStart = dataStart;
  m_sourceDataLength = dataLength;
  m_sourcePosition = dataStart;
  *deviceFormat = format;
  return true;
}

bool CAudioDriver::OpenMpegSource(WAVEFORMATEX* deviceFormat) {
  MPEGLAYER3WAVEFORMAT mp3{};
  uint32_t dataStart = 0, dataLength = 0;
  if (!MPEGUtilsReadAudioFileHeaderFormat(m_inputFd, &mp3, kMpegLayer3WaveFormatSize, &dataStart, &dataLength)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from MPEGUtilsReadAudioFileHeaderFormat]");
    return false;
  }
  if (dataLength == 0) return true;  // an empty file: nothing to play
  MPEGFrameInfo first;
  if (!qav::SeekTo(m_inputFd, dataStart) || !MPEGGetNextGoodHeader(m_inputFd, &first)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from MPEGUtilsReadAudioFileHeaderFormat]");
    return false;
  }
  m_sourceMpegLayer = first.layerIndex;
  *deviceFormat = WaveUtilsMakePCMFormat(mp3.wfx.nChannels, 16, mp3.wfx.nSamplesPerSec);
  auto decoder = std::make_unique<CMPEGConvert>();
  if (!decoder->Init(&mp3.wfx, deviceFormat)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
    return false;
  }
  m_playbackConverter = std::move(decoder);
  m_sourceMpeg = mp3;
  m_sourceDataStart = dataStart;
  m_sourceDataLength = dataLength;
  m_sourcePosition = dataStart;
  return true;
}

void CAudioDriver::OnPlayNextFileBlock() {
  if (GetState() != 1) return;
  const size_t read = ReadSourceBlock();
  if (read == 0) return EndOfSourceFile();
  const uint8_t* block = m_readBuffer.data();
  size_t bytes = read;
  if (m_playbackConverter) {
    const int converted = m_playbackConverter->Convert(m_readBuffer.data(), static_cast<uint32_t>(read),
                                                       m_playbackConversionBuffer.data(),
                                                       static_cast<uint32_t>(m_playbackConversionBuffer.size()));
    if (converted < 0) QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
    block = m_playbackConversionBuffer.data();
    bytes = converted > 0 ? static_cast<size_t>(converted) : 0;
  }
  // No block goes out for this read (a decoder that gathers, a frame it could not decode, a block
  // the device refused), so none will come back to ask for the next: read on at once.
  if (bytes == 0 || !WriteToSpeaker(block, bytes, static_cast<uint64_t>(m_sourcePosition))) {
    qav::PostThreadMessage(m_thread.threadId(), WM_AUDIO_PLAY_NEXT_BUFFER);
  }
}

size_t CAudioDriver::ReadSourceBlock() {
  if (m_inputFd < 0 || m_sourceDataLength == 0) return 0;
  if (m_sourceKind == u"wav") {
    // Up to the end of the data chunk and in whole sample frames: what follows is not audio.
    const int64_t dataEnd = int64_t{m_sourceDataStart} + m_sourceDataLength;
    int64_t wanted = std::min<int64_t>(m_bytesPerRead, std::max<int64_t>(0, dataEnd - m_sourcePosition));
    wanted -= wanted % m_sourceFrameBytes;
    if (wanted <= 0) return 0;
    const int64_t got = qav::ReadUpTo(m_inputFd, m_readBuffer.data(), static_cast<size_t>(wanted));
    if (got < 0) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR reading %s at %lld]", m_sourcePath, static_cast<long long>(m_sourcePosition));
      return 0;
    }
    m_sourcePosition += got;
    return static_cast<size_t>(got - got % m_sourceFrameBytes);  // a file cut short ends in a whole frame
  }
  MPEGFrameInfo info;
  if (!FindNextStreamFrame(&info)) return 0;
  const int64_t frameStart = qav::CurrentOffset(m_inputFd);
  if (frameStart < 0 || info.frameLength <= 0 || static_cast<size_t>(info.frameLength) > m_readBuffer.size()) return 0;
  m_bytesPerRead = static_cast<uint32_t>(info.frameLength);
  if (!qav::ReadExactly(m_inputFd, m_readBuffer.data(), m_bytesPerRead)) return 0;  // the last frame is cut short
  m_sourcePosition = frameStart + info.frameLength;
  return m_bytesPerRead;
}

bool CAudioDriver::FindNextStreamFrame(MPEGFrameInfo* info) {
  // Only the header is checked by the search, so after a seek into the middle of a frame a few
  // bytes of audio can pass for one: a header whose rate or layer is not the stream's is stepped
  // over, and the search goes on from the byte after it.
  while (MPEGGetNextGoodHeader(m_inputFd, info)) {
    if (static_cast<uint32_t>(info->sampleRate) == m_sourceMpeg.wfx.nSamplesPerSec &&
        info->layerIndex == m_sourceMpegLayer) {
      return true;
    }
    const int64_t at = qav::CurrentOffset(m_inputFd);
    if (at < 0 || !qav::SeekTo(m_inputFd, at + 1)) return false;
  }
  return false;
}

void CAudioDriver::SeekSource(double fraction) {
  if (m_inputFd < 0) return;
  int64_t position = m_sourceDataStart;
  if (m_sourceKind == u"wav") {
    // On a sample frame, so that the channels and the bytes of a sample stay in step.
    const double frames = std::floor(fraction * m_sourceDataLength / m_sourceFrameBytes);
    position += static_cast<int64_t>(frames) * m_sourceFrameBytes;
  } else {
    position += static_cast<int64_t>(fraction * m_sourceDataLength);
  }
  if (!qav::SeekTo(m_inputFd, position)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR seeking %s to %lld]", m_sourcePath, static_cast<long long>(position));
    return;
  }
  m_sourcePosition = position;
  if (m_sourceKind == u"mp3") {
    // Decoding restarts on a frame; none after the position: the next read finds the end.
    MPEGFrameInfo info;
    if (FindNextStreamFrame(&info)) m_sourcePosition = qav::CurrentOffset(m_inputFd);
  }
}

void CAudioDriver::EndOfSourceFile() {
  if (GetState() != 1) return;
  if (m_playbackConverter && !m_playbackFlushed) {
    // The decoder's output lags by a frame: its last samples come out now.
    m_playbackFlushed = true;
    const int n = m_playbackConverter->Flush(m_playbackConversionBuffer.data(),
                                             static_cast<uint32_t>(m_playbackConversionBuffer.size()));
    if (n > 0) WriteToSpeaker(m_playbackConversionBuffer.data(), static_cast<size_t>(n), static_cast<uint64_t>(m_sourcePosition));
  }
  m_state.store(2, std::memory_order_release);
  if (m_speakerBlocksOutstanding == 0) StopPlayback(true);  // nothing in flight: no block will come back
}

void CAudioDriver::OnPlaybackBlockDone(qav::Msg& msg) {
  if (!m_speaker || msg.wParam != m_speaker->id()) return;  // of a device that has gone
  if (m_speakerBlocksOutstanding > 0) --m_speakerBlocksOutstanding;
  const auto* block = msg.Get<qav::WaveHeader>();
  if (m_clientEventMask & AUDIO_EVENT_BUFFER_PLAYED) {
    NotifyClient(AUDIO_EVENT_BUFFER_PLAYED, block ? static_cast<int64_t>(block->user) : 0);
  }
  const int state = GetState();
  if (state == 1) {
    qav::PostThreadMessage(m_thread.threadId(), WM_AUDIO_PLAY_NEXT_BUFFER);
  } else if (state == 2 && m_speakerBlocksOutstanding == 0) {
    StopPlayback(true);
  }
}

void CAudioDriver::NotifyClient(uint32_t event, int64_t position) {
  if (m_clientWindow) qav::PostMessage(m_clientWindow, m_clientMessage, event, position);
  if (m_clientThread) qav::PostThreadMessage(m_clientThread, m_clientMessage, event, position);
}

void CAudioDriver::StopPlayback(bool notify) {
  m_state.store(0, std::memory_order_release);
  ReleaseAudioStreamResources();
  ClosePlaybackSource();
  if (notify && (m_clientEventMask & AUDIO_EVENT_PLAY_DONE)) NotifyClient(AUDIO_EVENT_PLAY_DONE, 0);
  m_clientWindow = 0;
  m_clientThread = 0;
  m_clientMessage = m_clientEventMask = 0;
}

void CAudioDriver::ClosePlaybackSource() {
  if (m_inputFd >= 0) ::close(m_inputFd);
  m_inputFd = -1;
  m_sourceKind.clear();
  m_sourceDataStart = m_sourceDataLength = 0;
}

void CAudioDriver::OnPlayAudioFileStop(AudioDriverRequest& r) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnPlayAudioFileStop");
  const int state = GetState();
  if (state != 1 && state != 2) return;
  StopPlayback(false);
  r.result = 1;
}

void CAudioDriver::OnPlayAudioFileSetOffset(AudioDriverRequest& r) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnPlayAudioFileSetOffset");
  const double fraction = r.seekFraction;
  if (!(fraction >= 0.0 && fraction <= 1.0)) return;
  const int state = GetState();
  if (state == 0) {
    m_pendingSeek = fraction;
  } else if (state == 1) {
    SeekSource(fraction);
  } else if (state == 2) {
    // The file had been read to the end: reading starts again from the new position, or a seek
    // in the last blocks would be accepted and then do nothing.
    if (m_sourceKind == u"mp3" && m_playbackFlushed) {
      // The decoder was ended at the end of the file; decoding starts again with a new one.
      auto decoder = std::make_unique<CMPEGConvert>();
      const WAVEFORMATEX pcm = WaveUtilsMakePCMFormat(m_sourceMpeg.wfx.nChannels, 16, m_sourceMpeg.wfx.nSamplesPerSec);
      if (!decoder->Init(&m_sourceMpeg.wfx, &pcm)) {
        QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
        return;
      }
      m_playbackConverter = std::move(decoder);
      m_playbackFlushed = false;
    }
    SeekSource(fraction);
    m_state.store(1, std::memory_order_release);
    if (qav::MessageLoop* loop = qav::MessageLoop::Current()) {
      loop->RemoveMessages(WM_AUDIO_PLAY_NEXT_BUFFER, WM_AUDIO_PLAY_NEXT_BUFFER, 0);
    }
    for (int i = std::max(1, kPlaybackBlocksInFlight - m_speakerBlocksOutstanding); i > 0; --i) {
      qav::PostThreadMessage(m_thread.threadId(), WM_AUDIO_PLAY_NEXT_BUFFER);
    }
  } else {
    return;
  }
  r.result = 1;
}

// ---- microphone recording ----

void CAudioDriver::OnRecAudioFileStart(AudioDriverRequest& r) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecAudioFileStart");
  if (!BeginJob(3)) return;
  m_microphoneBuffersQueued = 0;
  m_bytesWritten = 0;
  m_dataStartOffset = 0;
  m_startTime = 0;
  bool created = false;  // the start made the file: a failed start takes it away again
  auto fail = [&] {
    ReleaseAudioStreamResources();
    CloseOutputFile();
    if (created) ::unlink(qav::U8(r.path).c_str());
    m_state.store(0, std::memory_order_release);
    r.result = 0;
  };
  if (!CheckStartPath(r.path, &m_targetKind)) return fail();
  // The audio thread's own copy of the option for this recording.
  const int quality = g_AudioFileRecordingQuality.Get();
  if (m_targetKind == u"wav") {
    WAVEFORMATEX target;
    if (!GreetingWaveFormat(quality, &target)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR recording quality (%d)]", quality);
      return fail();
    }
    m_blockSize = target.nBlockAlign * target.nSamplesPerSec / 25;
    m_captureFormat = target;
    ::unlink(qav::U8(r.path).c_str());  // a new greeting replaces the file
    created = true;
    if (!PrepareOutputWave(r.path, target, target,
                           u"CAudioDriver [ERROR from PrepareAudioFileForWritingWave with %d Audio Channels]")) {
      return fail();
    }
  } else {
    MPEGFrameInfo info;
    MPEGLAYER3WAVEFORMAT mp3{};
    const int bitRate = GreetingMpegBitRate(quality);
    if (bitRate == 0) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR recording quality (%d)]", quality);
      return fail();
    }
    if (!qav::MakeMP3EncoderSettings(bitRate, kGreetingMpegRate, 1, &info) || !MPEGFormatStructConfig(info, &mp3)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from MPEGFormatStructConfig]");
      return fail();
    }
    m_blockSize = kMpegCaptureBlockSize;
    m_captureFormat = WaveUtilsMakePCMFormat(mp3.wfx.nChannels, 16, mp3.wfx.nSamplesPerSec);
    created = !qav::PathExists(r.path);
    if (!PrepareOutputMpeg(r.path, m_captureFormat, mp3, qav::kGreetingRecordingTitle)) {
      created = created && qav::PathExists(r.path);
      return fail();
    }
  }
  if (!OpenMicrophone(CRecordingDeviceList().GetIdByName(g_AudioRecordingDeviceName.Get()), m_captureFormat)) {
    return fail();
  }
  for (int i = 0; i < kMicrophoneBuffers; ++i) {
    if (!AddMicrophoneBuffer()) return fail();
  }
  if (m_microphone->Start() != qav::MMSYSERR_NOERROR) {
    LogWaveError(__LINE__, u"WAVEIN", 0, qav::MMSYSERR_ERROR);
    return fail();
  }
  m_startTime = m_clock->Now().seconds;
  r.result = 1;
}

void CAudioDriver::OnMicrophoneData(qav::Msg& msg) {
  if (!m_microphone || msg.wParam != m_microphone->id() || !msg.Get<qav::WaveHeader>()) return;
  qav::WaveHeaderPtr buffer(static_cast<qav::WaveHeader*>(msg.payload.release()));
  if (m_microphoneBuffersQueued > 0) --m_microphoneBuffersQueued;
  const uint32_t frame = std::max<uint32_t>(1, m_captureFormat.nBlockAlign);
  const size_t bytes = std::min<size_t>(buffer->bytesRecorded, buffer->data.size()) / frame * frame;
  if (bytes > 0) AppendToOutput(buffer->data.data(), bytes, u"CAudioDriver [ERROR write to file from MIC]");
  if (m_microphoneBuffersQueued < kMinMicrophoneBuffers) AddMicrophoneBuffer(std::move(buffer));
}

bool CAudioDriver::FinishMicrophoneRecording() {
  if (m_microphone) {
    // What the microphone holds and what it has given back but is still queued goes into the
    // file before it is finished, so the end of the greeting is kept.
    m_microphone->Stop();
    if (qav::MessageLoop* loop = qav::MessageLoop::Current()) {
      for (qav::Msg& msg : loop->TakeMessages(qav::MM_WIM_DATA, qav::MM_WIM_DATA, 0)) OnMicrophoneData(msg);
    }
  }
  int seconds = 0;
  uint32_t bytesPerSecond = 0;
  const bool finished = FinishOutputFile(&seconds, &bytesPerSecond);
  m_state.store(0, std::memory_order_release);
  ReleaseAudioStreamResources();
  CloseOutputFile();
  return finished;
}

void CAudioDriver::OnRecAudioFileStop(AudioDriverRequest& r) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecAudioFileStop");
  if (GetState() != 3) return;
  r.result = FinishMicrophoneRecording() ? 1 : 0;
}
