#include "audio/file_playback_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "audio/audio_device_list.h"
#include "audio/fd_io.h"
#include "audio/mpeg_convert.h"
#include "audio/mpeg_utils.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_loop.h"

namespace {

constexpr int kPlaybackBlocksInFlight = 4;

std::unique_ptr<CMPEGConvert> MakeDecoder(const MPEGLAYER3WAVEFORMAT& mp3, WAVEFORMATEX* pcm) {
  *pcm = WaveUtilsMakePCMFormat(mp3.wfx.nChannels, 16, mp3.wfx.nSamplesPerSec);
  auto decoder = std::make_unique<CMPEGConvert>();
  if (!decoder->Init(&mp3.wfx, pcm)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
    return nullptr;
  }
  return decoder;
}

}  // namespace

CFilePlaybackJob::CFilePlaybackJob(AudioThreadContext& context, const PlaybackClient& client)
    : CAudioJob(context), m_client(client) {}

CFilePlaybackJob::~CFilePlaybackJob() {
  m_speaker.Close();
  CloseSource();
}

bool CFilePlaybackJob::Start(const std::u16string& path, double seek) {
  const std::optional<AudioFileKind> kind =
      CheckJobPath(path, u"CAudioDriver [ERROR input file not WAV and not MP3 extention - %s]");
  if (!kind) return false;
  m_kind = *kind;
  m_path = path;
  QAV_LOG(LOG_INFO, u"CAudioDriver::OnPlayAudioFileStart(%s)", path);
  m_fd = qav::OpenPath(path, O_RDONLY);
  if (m_fd < 0) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR unable to open input file - %s]", path);
    return false;
  }
  WAVEFORMATEX deviceFormat{};
  if (!(m_kind == AudioFileKind::kWav ? OpenWaveSource(&deviceFormat) : OpenMpegSource(&deviceFormat))) return false;
  // A file without audio opens no device: there is nothing to play, and an MP3 without frames has
  // no format to open it in.
  if (m_dataLength > 0 &&
      !m_speaker.Open(KnownPlaybackDeviceId(g_AudioPlaybackDeviceName.Get()), deviceFormat,
                      m_context.thread)) {
    return false;
  }
  if (seek > 0) SeekSource(seek);
  m_playedTo = m_position;
  m_context.PostNextBlock(kPlaybackBlocksInFlight);
  return true;
}

bool CFilePlaybackJob::OpenWaveSource(WAVEFORMATEX* deviceFormat) {
  WAVEFORMATEX format{};
  uint32_t dataStart = 0, dataLength = 0;
  if (!WaveUtilsReadAudioFileHeaderFormat(m_fd, &format, kWaveFormatExSize, &dataStart, &dataLength)) {
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
  m_frameBytes = format.nBlockAlign;
  // 40 ms a block; a format whose 40 ms do not fit the read buffer is read in smaller blocks.
  const std::vector<uint8_t>& buffer = m_context.readBuffer;
  const uint64_t perBlock = uint64_t{m_frameBytes} * format.nSamplesPerSec / 25;
  const uint64_t fits = buffer.size() / m_frameBytes * m_frameBytes;
  m_bytesPerRead = static_cast<uint32_t>(std::max<uint64_t>(m_frameBytes, std::min(perBlock, fits)));
  if (m_bytesPerRead > buffer.size()) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR sample frame of %d bytes]", m_frameBytes);
    return false;
  }
  if (!qav::SeekTo(m_fd, dataStart)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR creating CFile from fp]");
    return false;
  }
  m_dataStart = dataStart;
  m_dataLength = dataLength;
  m_position = dataStart;
  *deviceFormat = format;
  return true;
}

bool CFilePlaybackJob::OpenMpegSource(WAVEFORMATEX* deviceFormat) {
  MPEGLAYER3WAVEFORMAT mp3{};
  uint32_t dataStart = 0, dataLength = 0;
  if (!MPEGUtilsReadAudioFileHeaderFormat(m_fd, &mp3, kMpegLayer3WaveFormatSize, &dataStart, &dataLength)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from MPEGUtilsReadAudioFileHeaderFormat]");
    return false;
  }
  if (dataLength == 0) return true;  // an empty file: nothing to play
  MPEGFrameInfo first;
  if (!qav::SeekTo(m_fd, dataStart) || !MPEGGetNextGoodHeader(m_fd, &first)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from MPEGUtilsReadAudioFileHeaderFormat]");
    return false;
  }
  m_mpegLayer = first.layerIndex;
  m_decoder = MakeDecoder(mp3, deviceFormat);
  if (!m_decoder) return false;
  m_mpeg = mp3;
  m_dataStart = dataStart;
  m_dataLength = dataLength;
  m_position = dataStart;
  return true;
}

void CFilePlaybackJob::OnNextBlock() {
  if (m_context.State() != AudioDriverState::kPlayingFile) return;
  const size_t read = ReadSourceBlock();
  if (read == 0) return EndOfSourceFile();
  std::vector<uint8_t>& converted = m_context.playbackConversionBuffer;
  const uint8_t* block = m_context.readBuffer.data();
  size_t bytes = read;
  if (m_decoder) {
    const int n = m_decoder->Convert(m_context.readBuffer.data(), static_cast<uint32_t>(read), converted.data(),
                                     static_cast<uint32_t>(converted.size()));
    if (n < 0) QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
    block = converted.data();
    bytes = n > 0 ? static_cast<size_t>(n) : 0;
  }
  // No block goes out for this read (a decoder that gathers, a frame it could not decode, a block
  // the device refused), so none will come back to ask for the next: read on at once.
  if (bytes == 0 || !m_speaker.Write(block, bytes, static_cast<uint64_t>(m_position))) m_context.PostNextBlock();
}

size_t CFilePlaybackJob::ReadSourceBlock() {
  if (m_fd < 0 || m_dataLength == 0) return 0;
  std::vector<uint8_t>& buffer = m_context.readBuffer;
  if (m_kind == AudioFileKind::kWav) {
    // Up to the end of the data chunk and in whole sample frames: what follows is not audio.
    const int64_t dataEnd = int64_t{m_dataStart} + m_dataLength;
    int64_t wanted = std::min<int64_t>(m_bytesPerRead, std::max<int64_t>(0, dataEnd - m_position));
    wanted -= wanted % m_frameBytes;
    if (wanted <= 0) return 0;
    const int64_t got = qav::ReadUpTo(m_fd, buffer.data(), static_cast<size_t>(wanted));
    if (got < 0) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR reading %s at %lld]", m_path, static_cast<long long>(m_position));
      return 0;
    }
    m_position += got;
    return static_cast<size_t>(got - got % m_frameBytes);  // a file cut short ends in a whole frame
  }
  MPEGFrameInfo info;
  if (!FindNextStreamFrame(&info)) return 0;
  const int64_t frameStart = qav::CurrentOffset(m_fd);
  if (frameStart < 0 || info.frameLength <= 0 || static_cast<size_t>(info.frameLength) > buffer.size()) return 0;
  m_bytesPerRead = static_cast<uint32_t>(info.frameLength);
  if (!qav::ReadExactly(m_fd, buffer.data(), m_bytesPerRead)) return 0;  // the last frame is cut short
  m_position = frameStart + info.frameLength;
  return m_bytesPerRead;
}

bool CFilePlaybackJob::FindNextStreamFrame(MPEGFrameInfo* info) {
  // Only the header is checked by the search, so after a seek into the middle of a frame a few
  // bytes of audio can pass for one: a header whose rate or layer is not the stream's is stepped
  // over, and the search goes on from the byte after it.
  while (MPEGGetNextGoodHeader(m_fd, info)) {
    if (static_cast<uint32_t>(info->sampleRate) == m_mpeg.wfx.nSamplesPerSec && info->layerIndex == m_mpegLayer) {
      return true;
    }
    const int64_t at = qav::CurrentOffset(m_fd);
    if (at < 0 || !qav::SeekTo(m_fd, at + 1)) return false;
  }
  return false;
}

void CFilePlaybackJob::SeekSource(double fraction) {
  if (m_fd < 0) return;
  int64_t position = m_dataStart;
  if (m_kind == AudioFileKind::kWav) {
    // On a sample frame, so that the channels and the bytes of a sample stay in step.
    const double frames = std::floor(fraction * m_dataLength / m_frameBytes);
    position += static_cast<int64_t>(frames) * m_frameBytes;
  } else {
    position += static_cast<int64_t>(fraction * m_dataLength);
  }
  if (!qav::SeekTo(m_fd, position)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR seeking %s to %lld]", m_path, static_cast<long long>(position));
    return;
  }
  m_position = position;
  if (m_kind == AudioFileKind::kMp3) {
    // Decoding restarts on a frame; none after the position: the next read finds the end.
    MPEGFrameInfo info;
    if (FindNextStreamFrame(&info)) m_position = qav::CurrentOffset(m_fd);
  }
}

void CFilePlaybackJob::EndOfSourceFile() {
  if (m_context.State() != AudioDriverState::kPlayingFile) return;
  if (m_decoder && !m_flushed) {
    // The decoder's output lags by a frame: its last samples come out now.
    m_flushed = true;
    std::vector<uint8_t>& converted = m_context.playbackConversionBuffer;
    const int n = m_decoder->Flush(converted.data(), static_cast<uint32_t>(converted.size()));
    if (n > 0) m_speaker.Write(converted.data(), static_cast<size_t>(n), static_cast<uint64_t>(m_position));
  }
  m_context.SetState(AudioDriverState::kPlayingFileLastBlocks);
  if (m_speaker.Outstanding() == 0) StopPlayback(true);  // nothing in flight: no block will come back
}

void CFilePlaybackJob::OnSpeakerBlockDone(qav::Msg& msg) {
  uint64_t position = 0;
  if (!m_speaker.TakeBack(msg, &position)) return;  // of a device that has gone
  m_playedTo = static_cast<int64_t>(position);
  if (m_client.eventMask & AUDIO_EVENT_BUFFER_PLAYED) {
    NotifyClient(AUDIO_EVENT_BUFFER_PLAYED, static_cast<int64_t>(position));
  }
  const AudioDriverState state = m_context.State();
  if (state == AudioDriverState::kPlayingFile) {
    m_context.PostNextBlock();
  } else if (state == AudioDriverState::kPlayingFileLastBlocks && m_speaker.Outstanding() == 0) {
    StopPlayback(true);
  }
}

bool CFilePlaybackJob::SetOffset(double fraction) {
  const AudioDriverState state = m_context.State();
  if (state == AudioDriverState::kPlayingFile) {
    SeekSource(fraction);
    return true;
  }
  if (state != AudioDriverState::kPlayingFileLastBlocks) return false;
  // The file had been read to the end: reading starts again from the new position, or a seek in
  // the last blocks would be accepted and then do nothing.
  if (m_kind == AudioFileKind::kMp3 && m_flushed) {
    // The decoder was ended at the end of the file; decoding starts again with a new one.
    WAVEFORMATEX pcm{};
    std::unique_ptr<CMPEGConvert> decoder = MakeDecoder(m_mpeg, &pcm);
    if (!decoder) return false;
    m_decoder = std::move(decoder);
    m_flushed = false;
  }
  SeekSource(fraction);
  m_context.SetState(AudioDriverState::kPlayingFile);
  if (qav::MessageLoop* loop = qav::MessageLoop::Current()) {
    loop->RemoveMessages(WM_AUDIO_PLAY_NEXT_BUFFER, WM_AUDIO_PLAY_NEXT_BUFFER, 0);
  }
  m_context.PostNextBlock(std::max(1, kPlaybackBlocksInFlight - m_speaker.Outstanding()));
  return true;
}

void CFilePlaybackJob::NotifyClient(uint32_t event, int64_t position) {
  if (m_client.window) qav::PostMessage(m_client.window, m_client.message, event, position);
  if (m_client.thread) qav::PostThreadMessage(m_client.thread, m_client.message, event, position);
}

void CFilePlaybackJob::StopPlayback(bool notify, int64_t position) {
  m_context.SetState(AudioDriverState::kIdle);
  m_speaker.Close();
  AudioThreadContext::RemoveAndReleaseAudioWaveBufferFromQ();
  CloseSource();
  if (notify && (m_client.eventMask & AUDIO_EVENT_PLAY_DONE)) NotifyClient(AUDIO_EVENT_PLAY_DONE, position);
  m_client = PlaybackClient{};
}

void CFilePlaybackJob::CloseSource() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_decoder.reset();
  m_dataStart = m_dataLength = 0;
}
