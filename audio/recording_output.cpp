#include "audio/recording_output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/mpeg_convert.h"
#include "audio/pcm_convert.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"
#include "platform/text.h"

CRecordingOutput::CRecordingOutput(std::vector<uint8_t>& conversionBuffer) : m_conversionBuffer(conversionBuffer) {}

CRecordingOutput::~CRecordingOutput() { Close(); }

bool CRecordingOutput::PrepareWave(const std::u16string& path, const WAVEFORMATEX& source,
                                   const WAVEFORMATEX& target, const char16_t* failureText, uint32_t dataAlready,
                                   uint32_t dataOffset) {
  m_kind = AudioFileKind::kWav;
  m_format = target;
  m_bytesWritten = dataAlready;
  if (!SamePcm(source, target)) {
    auto converter = std::make_unique<CPCMConvert>();
    if (!converter->Init(&source, &target)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
      return false;
    }
    m_converter = std::move(converter);
  }
  if (!qav::PrepareAudioFileForWritingWave(path, target, m_bytesWritten, &dataOffset, &m_fd)) {
    QAV_LOG(LOG_WARNING, failureText, target.nChannels);
    return false;
  }
  m_fileEnd = int64_t{dataOffset} + m_bytesWritten;
  m_nextHeaderUpdate = m_bytesWritten + std::max<uint32_t>(1, target.nAvgBytesPerSec);
  return true;
}

bool CRecordingOutput::PrepareMpeg(const std::u16string& path, const WAVEFORMATEX& source,
                                   const MPEGLAYER3WAVEFORMAT& mp3, std::u16string_view title, uint32_t dataAlready) {
  m_kind = AudioFileKind::kMp3;
  m_bytesWritten = dataAlready;
  // The encoder first: without it no file is created that would hold only a tag.
  auto encoder = std::make_unique<CMPEGConvert>();
  if (!encoder->Init(&source, &mp3.wfx)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
    return false;
  }
  if (!qav::PrepareAudioFileForWritingMPEG(path, title, &m_fd)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PrepareAudioFileForWritingMPEG]");
    return false;
  }
  m_fileEnd = qav::CurrentOffset(m_fd);
  m_encoder = encoder.get();
  m_converter = std::move(encoder);
  return true;
}

bool CRecordingOutput::Append(const uint8_t* data, size_t bytes, const char16_t* writeFailedText) {
  if (m_fd < 0 || m_writeFailed) return false;
  const uint8_t* out = data;
  size_t count = bytes;
  if (m_converter) {
    const int n = m_converter->Convert(data, static_cast<uint32_t>(bytes), m_conversionBuffer.data(),
                                       static_cast<uint32_t>(m_conversionBuffer.size()));
    if (n < 0) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PCM Convertor]");
      return false;
    }
    out = m_conversionBuffer.data();
    count = static_cast<size_t>(n);
  }
  if (count == 0) return true;
  if (!Write(out, count, writeFailedText)) return false;
  if (m_kind == AudioFileKind::kWav && m_bytesWritten >= m_nextHeaderUpdate) {
    // Two 4-byte writes in place about once a second of audio: a killed process leaves a file
    // that says how much it holds.
    UpdateAudioFileHeaderSizes(m_fd, m_bytesWritten);
    m_nextHeaderUpdate = m_bytesWritten + std::max<uint32_t>(1, m_format.nAvgBytesPerSec);
  }
  return true;
}

bool CRecordingOutput::Write(const uint8_t* data, size_t count, const char16_t* writeFailedText) {
  errno = 0;
  if (!qav::WriteFully(m_fd, data, count)) {
    OnWriteFailure(errno, writeFailedText);
    return false;
  }
  m_bytesWritten += static_cast<uint32_t>(count);
  m_fileEnd += static_cast<int64_t>(count);
  return true;
}

void CRecordingOutput::OnWriteFailure(int error, const char16_t* writeFailedText) {
  m_writeFailed = true;
  QAV_LOG(LOG_WARNING, writeFailedText);
  QAV_LOG(LOG_WARNING,
          u"CAudioDriver [ERROR the recording file cannot be written (%s): it keeps the %u bytes written before, "
          u"nothing more is recorded]",
          qav::U16(std::strerror(error != 0 ? error : EIO)), m_bytesWritten);
  // A part of the block may have reached the file: cut it off, so the file holds whole writes
  // only and its header matches it.
  if (::ftruncate(m_fd, m_fileEnd) != 0 || !qav::SeekTo(m_fd, m_fileEnd)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR cutting the recording file back to %lld bytes]",
            static_cast<long long>(m_fileEnd));
  }
  if (m_kind == AudioFileKind::kWav) UpdateAudioFileHeaderSizes(m_fd, m_bytesWritten);
}

bool CRecordingOutput::Finish(int* seconds, uint32_t* bytesPerSecond) {
  *seconds = 0;
  *bytesPerSecond = 0;
  if (m_fd < 0) return false;
  if (m_converter && !m_writeFailed) {
    const int n = m_converter->Flush(m_conversionBuffer.data(), static_cast<uint32_t>(m_conversionBuffer.size()));
    if (n > 0) Write(m_conversionBuffer.data(), static_cast<size_t>(n), u"CAudioDriver [ERROR: in _write() to file]");
  }
  if (m_kind == AudioFileKind::kWav) {
    uint32_t offset = 0;
    if (!WriteAudioFileHeaderFormat(m_fd, &m_format, m_bytesWritten, &offset)) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ FAILED: WriteAudioFileHeaderFormat ]");
      Close();
      return false;
    }
    // A file recorded over an older, longer one would otherwise keep the older one's tail.
    if (::ftruncate(m_fd, int64_t{offset} + m_bytesWritten) != 0) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR cutting the recording file to its data]");
    }
    *bytesPerSecond = m_format.nAvgBytesPerSec;
  } else if (m_encoder) {
    *bytesPerSecond = m_encoder->GetMPEGFormat().wfx.nAvgBytesPerSec;
  }
  if (*bytesPerSecond > 0) {
    *seconds = static_cast<int>((uint64_t{m_bytesWritten} + *bytesPerSecond - 1) / *bytesPerSecond);
  }
  const int fd = m_fd;
  m_fd = -1;
  if (!qav::CommitAndClose(fd)) QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR committing the output file]");
  m_converter.reset();
  m_encoder = nullptr;
  return true;
}

void CRecordingOutput::Close() {
  if (m_fd >= 0) qav::CommitAndClose(m_fd);
  m_fd = -1;
  m_converter.reset();
  m_encoder = nullptr;
}
