#include "audio/wave_mem_file.h"

#include <fcntl.h>

#include <algorithm>
#include <memory>

#include "audio/fd_io.h"
#include "audio/mpeg_convert.h"
#include "audio/mpeg_utils.h"
#include "audio/pcm_convert.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"

namespace {

constexpr size_t kReadBufferSize = 10000;
constexpr size_t kConvertBufferSize = 100000;

}  // namespace

CWaveMemFile::CWaveMemFile() : m_file(kGrowBytes) {}

CWaveMemFile::~CWaveMemFile() = default;

int CWaveMemFile::SetFormat(const WAVEFORMATEX* format) {
  if (!format || !qav::IsConsistentPcmFormat(*format)) return 0;
  if (m_format) return 1;
  m_format = *format;
  m_format->cbSize = 0;
  return 1;
}

int CWaveMemFile::GetFormat(WAVEFORMATEX* buffer, uint32_t* size) const {
  constexpr uint32_t kSize = kWaveFormatExSize;
  if (!m_format) return 0;
  if (!buffer) {
    if (size) *size = kSize;
    return kSize;
  }
  if (!size || *size < kSize) return 0;
  *buffer = *m_format;
  *size = kSize;
  return kSize;
}

int CWaveMemFile::AddFile(std::u16string_view path) {
  QAV_LOG(LOG_INFO, u"CWaveMemFile::AddFile(%s)", path);
  if (!qav::PathExists(path)) return 0;
  const bool wav = IsFileExtension(path, u".wav");
  if (!wav && !IsFileExtension(path, u".mp3")) {
    QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR input file not WAV and not MP3 extension - %s]", path);
    return 0;
  }
  qav::FdCloser file(qav::OpenPath(path, O_RDONLY));
  if (file.get() < 0) {
    QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR unable to open input file]");
    return 0;
  }
  m_readBuffer.assign(kReadBufferSize, 0);
  m_convertBuffer.assign(kConvertBufferSize, 0);
  m_file.SeekToEnd();
  // A file that fails part-way (a read error, an MP3 that changes its rate in the middle) leaves
  // nothing of itself: a caller would otherwise hear half a greeting cut off before its beep.
  const uint64_t before = m_file.GetLength();
  const int result = wav ? AddWave(file.get()) : AddMpeg(file.get());
  if (!result) {
    m_file.SetLength(before);
    m_file.SeekToEnd();
  }
  m_readBuffer = {};
  m_convertBuffer = {};
  return result;
}

int CWaveMemFile::AddWave(int fd) {
  WAVEFORMATEX format{};
  uint32_t dataOffset = 0;
  uint32_t dataSize = 0;
  if (!WaveUtilsReadAudioFileHeaderFormat(fd, &format, kWaveFormatExSize, &dataOffset, &dataSize) || dataSize == 0) {
    QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR from WaveUtilsReadAudioFileHeaderFormat]");
    return 0;
  }
  if (!qav::IsConsistentPcmFormat(format)) {
    QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR Wave Format not WAVE_FORMAT_PCM (%d)]", format.wFormatTag);
    return 0;
  }
  const size_t blockAlign = format.nBlockAlign;
  if (blockAlign > kReadBufferSize || !qav::SeekTo(fd, dataOffset)) {
    QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR reading input file]");
    return 0;
  }
  if (!m_format) SetFormat(&format);
  std::unique_ptr<CPCMConvert> converter;
  if (!SamePcm(format, *m_format)) {
    converter = std::make_unique<CPCMConvert>();
    if (!converter->Init(&format, &*m_format)) {
      QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR from PCM Convertor]");
      return 0;
    }
  }

  // 40 ms at a time, in whole sample frames, and never past the end of the data chunk.
  size_t readSize = static_cast<size_t>(blockAlign) * format.nSamplesPerSec / 25;
  readSize = std::clamp(readSize / blockAlign * blockAlign, blockAlign, kReadBufferSize / blockAlign * blockAlign);
  uint64_t remaining = dataSize / blockAlign * blockAlign;
  while (remaining > 0) {
    const int64_t n = qav::ReadUpTo(fd, m_readBuffer.data(), std::min<uint64_t>(readSize, remaining));
    if (n < 0) {
      QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR reading input file]");
      return 0;
    }
    if (n == 0) break;
    remaining -= static_cast<uint64_t>(n);
    if (!Append(converter.get(), m_readBuffer.data(), static_cast<size_t>(n) / blockAlign * blockAlign)) return 0;
  }
  return Finish(converter.get()) ? 1 : 0;
}

int CWaveMemFile::AddMpeg(int fd) {
  MPEGLAYER3WAVEFORMAT mp3{};
  uint32_t dataOffset = 0;
  uint32_t dataLength = 0;
  if (!MPEGUtilsReadAudioFileHeaderFormat(fd, &mp3, kMpegLayer3WaveFormatSize, &dataOffset, &dataLength) ||
      mp3.wfx.nSamplesPerSec == 0 || !qav::SeekTo(fd, dataOffset)) {
    QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR from MPEGUtilsReadAudioFileHeaderFormat]");
    return 0;
  }
  if (!m_format) {
    const WAVEFORMATEX pcm = WaveUtilsMakePCMFormat(mp3.wfx.nChannels, 16, mp3.wfx.nSamplesPerSec);
    SetFormat(&pcm);
  }
  CMPEGConvert converter;
  if (!converter.Init(&mp3.wfx, &*m_format)) {
    QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR from PCM Convertor]");
    return 0;
  }
  MPEGFrameInfo frame;
  while (MPEGGetNextGoodHeader(fd, &frame)) {
    const size_t length = std::min<size_t>(static_cast<size_t>(frame.frameLength), kReadBufferSize);
    const int64_t n = qav::ReadUpTo(fd, m_readBuffer.data(), length);
    if (n < 0) {
      QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR reading input file]");
      return 0;
    }
    if (n == 0) break;
    if (!Append(&converter, m_readBuffer.data(), static_cast<size_t>(n))) return 0;
  }
  return Finish(&converter) ? 1 : 0;
}

bool CWaveMemFile::Append(CAudioFormatConverter* converter, const uint8_t* piece, size_t bytes) {
  if (bytes == 0) return true;
  if (!converter) {
    m_file.Write(piece, bytes);
    return true;
  }
  const int converted = converter->Convert(piece, static_cast<uint32_t>(bytes), m_convertBuffer.data(),
                                           static_cast<uint32_t>(m_convertBuffer.size()));
  if (converted < 0) {
    QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR converting %u bytes]", bytes);
    return false;
  }
  m_file.Write(m_convertBuffer.data(), static_cast<size_t>(converted));
  return true;
}

bool CWaveMemFile::Finish(CAudioFormatConverter* converter) {
  if (!converter) return true;
  const int tail = converter->Flush(m_convertBuffer.data(), static_cast<uint32_t>(m_convertBuffer.size()));
  if (tail < 0) {
    QAV_LOG(LOG_WARNING, u"CWaveMemFile::AddFile [ERROR converting the end of the file]");
    return false;
  }
  m_file.Write(m_convertBuffer.data(), static_cast<size_t>(tail));
  return true;
}
