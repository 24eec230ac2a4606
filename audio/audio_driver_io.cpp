// What every job of the audio thread shares: the path checks, the output file with its converter,
// the devices and the loopback link's buffers, and the release step that ends a job.
#include <cmath>
#include <cstring>

#include "audio/audio_driver.h"
#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/mpeg_convert.h"
#include "audio/pcm_convert.h"
#include "audio/va_in.h"
#include "audio/va_out.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"
#include "platform/message_loop.h"

bool CAudioDriver::BeginJob(int state) {
  if (GetState() != 0) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR state not INIT (%d)]", GetState());
    return false;
  }
  m_state.store(state, std::memory_order_release);
  return true;
}

bool CAudioDriver::CheckStartPath(const std::u16string& path, std::u16string* kind, const char16_t* notWavOrMp3Text) {
  if (path.empty()) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR Bad File Path]");
    return false;
  }
  if (IsFileExtension(path, u".wav")) {
    *kind = u"wav";
  } else if (IsFileExtension(path, u".mp3")) {
    *kind = u"mp3";
  } else {
    QAV_LOG(LOG_WARNING, notWavOrMp3Text ? notWavOrMp3Text : u"CAudioDriver [ERROR output file not WAV and not MP3 extension - %s]",
            path);
    return false;
  }
  return true;
}

namespace {
bool SamePcm(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
  return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec && a.wBitsPerSample == b.wBitsPerSample;
}
}  // namespace

bool CAudioDriver::PrepareOutputWave(const std::u16string& path, const WAVEFORMATEX& source,
                                     const WAVEFORMATEX& target, const char16_t* failureText) {
  m_outputFormat = target;
  if (!SamePcm(source, target)) {
    auto converter = std::make_unique<CPCMConvert>();
    if (!converter->Init(&source, &target)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
      return false;
    }
    m_recordingConverter = std::move(converter);
  }
  if (!qav::PrepareAudioFileForWritingWave(path, target, m_bytesWritten, &m_dataStartOffset, &m_outputFd)) {
    QAV_LOG(LOG_WARNING, failureText, target.nChannels);
    return false;
  }
  return true;
}

bool CAudioDriver::PrepareOutputMpeg(const std::u16string& path, const WAVEFORMATEX& source,
                                     const MPEGLAYER3WAVEFORMAT& mp3, std::u16string_view title) {
  // The encoder first: without it no file is created that would hold only a tag.
  auto encoder = std::make_unique<CMPEGConvert>();
  if (!encoder->Init(&source, &mp3.wfx)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
    return false;
  }
  if (!qav::PrepareAudioFileForWritingMPEG(path, title, &m_outputFd)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PrepareAudioFileForWritingMPEG]");
    return false;
  }
  m_mpegEncoder = encoder.get();
  m_recordingConverter = std::move(encoder);
  return true;
}

bool CAudioDriver::AppendToOutput(const uint8_t* data, size_t bytes, const char16_t* shortWriteText) {
  if (m_outputFd < 0) return false;
  const uint8_t* out = data;
  size_t count = bytes;
  if (m_recordingConverter) {
    const int n = m_recordingConverter->Convert(data, static_cast<uint32_t>(bytes), m_recordingConversionBuffer.data(),
                                                static_cast<uint32_t>(m_recordingConversionBuffer.size()));
    if (n < 0) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
      return false;
    }
    out = m_recordingConversionBuffer.data();
    count = static_cast<size_t>(n);
  }
  if (count == 0) return true;
  if (!qav::WriteFully(m_outputFd, out, count)) {
    QAV_LOG(LOG_WARNING, shortWriteText);
    return false;
  }
  m_bytesWritten += static_cast<uint32_t>(count);
  return true;
}

bool CAudioDriver::FinishOutputFile(int* seconds, uint32_t* bytesPerSecond) {
  *seconds = 0;
  *bytesPerSecond = 0;
  if (m_outputFd < 0) return false;
  if (m_recordingConverter) {
    const int n = m_recordingConverter->Flush(m_recordingConversionBuffer.data(),
                                              static_cast<uint32_t>(m_recordingConversionBuffer.size()));
    if (n > 0 && qav::WriteFully(m_outputFd, m_recordingConversionBuffer.data(), static_cast<size_t>(n))) {
      m_bytesWritten += static_cast<uint32_t>(n);
    }
  }
  if (m_targetKind == u"wav") {
    uint32_t offset = 0;
    if (!WriteAudioFileHeaderFormat(m_outputFd, &m_outputFormat, m_bytesWritten, &offset)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ FAILED: WriteAudioFileHeaderFormat ]");
      CloseOutputFile();
      return false;
    }
    *bytesPerSecond = m_outputFormat.nAvgBytesPerSec;
  } else if (m_mpegEncoder) {
    *bytesPerSecond = m_mpegEncoder->GetMPEGFormat().wfx.nAvgBytesPerSec;
  }
  if (*bytesPerSecond > 0) {
    *seconds = static_cast<int>((uint64_t{m_bytesWritten} + *bytesPerSecond - 1) / *bytesPerSecond);
  }
  const int fd = m_outputFd;
  m_outputFd = -1;
  if (!qav::CommitAndClose(fd)) QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR committing the output file]");
  return true;
}

void CAudioDriver::CloseOutputFile() {
  if (m_outputFd >= 0) qav::CommitAndClose(m_outputFd);
  m_outputFd = -1;
}

void CAudioDriver::LogWaveError(int line, const char16_t* family, int device, int result) {
  QAV_LOG(LOG_WARNING, u"Line:%d - %s[%d]: %x - %s", line, family, device, result, qav::WaveErrorText(result));
}

bool CAudioDriver::OpenSpeaker(int deviceId) { return OpenSpeaker(deviceId, WaveUtilsMakePCMFormat(1, 16, 16000)); }

bool CAudioDriver::OpenSpeaker(int deviceId, const WAVEFORMATEX& format) {
  const int r = qav::OpenWaveOut(&m_speaker, deviceId, format, m_thread.threadId());
  if (r != qav::MMSYSERR_NOERROR) {
    LogWaveError(__LINE__, u"WAVEOUT", deviceId, r);
    return false;
  }
  return true;
}

bool CAudioDriver::OpenMicrophone(int deviceId) {
  return OpenMicrophone(deviceId, WaveUtilsMakePCMFormat(1, 16, 16000));
}

bool CAudioDriver::OpenMicrophone(int deviceId, const WAVEFORMATEX& format) {
  const int r = qav::OpenWaveIn(&m_microphone, deviceId, format, m_thread.threadId());
  if (r != qav::MMSYSERR_NOERROR) {
    LogWaveError(__LINE__, u"WAVEIN", deviceId, r);
    return false;
  }
  return true;
}

bool CAudioDriver::WriteToSpeaker(const uint8_t* data, size_t bytes, uint64_t user) {
  if (!m_speaker || bytes == 0) return false;
  auto block = std::make_unique<qav::WaveHeader>(static_cast<uint32_t>(bytes));
  std::memcpy(block->data.data(), data, bytes);
  block->user = user;
  if (m_speaker->Write(block) != qav::MMSYSERR_NOERROR) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PrepareAndWriteDataToWaveOut hWaveOutSpkr]");
    return false;
  }
  ++m_speakerBlocksOutstanding;
  return true;
}

bool CAudioDriver::WriteToVAOut(const uint8_t* data, size_t bytes, uint64_t user) {
  if (!m_pvaSkypeOut || bytes == 0) return false;
  auto block = std::make_unique<vahdr_tag>(static_cast<uint32_t>(bytes));
  std::memcpy(block->data.data(), data, bytes);
  block->user = user;
  if (!m_pvaSkypeOut->Write(block)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PrepareAndWriteDataToVAOut CVAOut]");
    return false;
  }
  ++m_vaOutBlocksOutstanding;
  return true;
}

bool CAudioDriver::LendVAInBuffer(VaHeaderPtr reuse) {
  if (!m_pvaSkypeIn) return false;
  VaHeaderPtr buffer = reuse && reuse->data.size() == m_blockSize ? std::move(reuse)
                                                                  : std::make_unique<vahdr_tag>(m_blockSize);
  buffer->bytesDone = 0;
  if (!m_pvaSkypeIn->AddBuffer(buffer)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PrepareAndAddBufferToVAIn]");
    return false;
  }
  ++m_vaInBuffersQueued;
  return true;
}

bool CAudioDriver::AddMicrophoneBuffer(qav::WaveHeaderPtr reuse) {
  if (!m_microphone) return false;
  qav::WaveHeaderPtr buffer = reuse && reuse->data.size() == m_blockSize
                                  ? std::move(reuse)
                                  : std::make_unique<qav::WaveHeader>(m_blockSize);
  buffer->bytesRecorded = 0;
  if (m_microphone->AddBuffer(buffer) != qav::MMSYSERR_NOERROR) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PrepareAndAddBufferToWaveIn]");
    return false;
  }
  ++m_microphoneBuffersQueued;
  return true;
}

void CAudioDriver::ReleaseAudioStreamResources() {
  if (m_speaker) {
    m_speaker->Reset();
    m_speaker.reset();
  }
  if (m_pvaSkypeOut) {
    // (one that never opened has nothing to close)
    if (m_pvaSkypeOut->GetState() == CVAOut::kOpen || m_pvaSkypeOut->GetState() == CVAOut::kPaused) {
      m_pvaSkypeOut->Close();
    }
    m_pvaSkypeOut.reset();
  }
  if (m_microphone) {
    m_microphone->Reset();
    m_microphone.reset();
  }
  if (m_pvaSkypeIn) {
    if (m_pvaSkypeIn->GetState() != CVAIn::kClosed) {
      m_pvaSkypeIn->Stop();
      m_pvaSkypeIn->Close();
    }
    m_pvaSkypeIn.reset();
  }
  m_playbackConverter.reset();
  m_mpegEncoder = nullptr;
  m_recordingConverter.reset();
  RemoveAndReleaseAudioWaveBufferFromQ();
}

void CAudioDriver::RemoveAndReleaseAudioWaveBufferFromQ() {
  qav::MessageLoop* loop = qav::MessageLoop::Current();
  if (!loop) return;
  // Every buffer the closed devices and sockets gave back, with the open and close messages of
  // those families and the next-block messages of the job that ended; freeing the messages frees
  // their buffers.
  constexpr uint32_t kFirstWaveMessage = 0x3BB;  // MM_WOM_OPEN .. MM_WIM_DATA
  loop->RemoveMessages(kFirstWaveMessage, qav::MM_WIM_DATA, 0);
  loop->RemoveMessages(WM_AUDIO_PLAY_NEXT_BUFFER, WM_AUDIO_PLAY_NEXT_BUFFER, 0);
  loop->RemoveMessages(WM_VAIN_DATA, WM_VAIN_DATA, 0);
  loop->RemoveMessages(WM_VAOUT_DONE, WM_VAOUT_DONE, 0);
  m_speakerBlocksOutstanding = 0;
  m_microphoneBuffersQueued = 0;
  m_vaOutBlocksOutstanding = 0;
  m_vaInBuffersQueued = 0;
}
