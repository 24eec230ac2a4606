#include "audio/vsa_wave_source.h"

#include <algorithm>

#include "audio/fd_io.h"
#include "audio/vsa_block_analyser.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"

namespace qav {
namespace {

// The read buffer's first size; it grows for formats whose piece is larger.
constexpr size_t kInitialReadBuffer = 20000;
// A piece of any format the converter takes (up to 16-bit stereo at 384000 Hz) is far below this;
// a header that asks for more is refused rather than allocated.
constexpr uint64_t kMaxBytesPerPiece = 4u << 20;
// Room for one piece after conversion: the resampler delivers unevenly, some pieces give
// noticeably more than 2048 frames, and the flush at the end gives what it held back.
constexpr size_t kConversionBufferBytes = 4 * kVsaBlockSamples * 2 * 2;

}  // namespace

VsaWaveSource::VsaWaveSource(int fd, const WAVEFORMATEX& format, uint32_t dataOffset, uint32_t dataSize,
                             int64_t fileLength)
    : VsaGatheringSource(true),
      m_fd(fd),
      m_format(format),
      m_start(dataOffset),
      m_dataEnd(static_cast<int64_t>(dataOffset) + dataSize),
      m_fileLength(fileLength),
      m_position(dataOffset),
      m_readBuffer(kInitialReadBuffer) {}

void VsaWaveSource::Prepare() {
  if (!IsConsistentPcmFormat(m_format) || m_format.nChannels > 2) {
    QAV_LOG(LOG_WARNING, u"VsaWaveSource::Prepare [ERROR unusable format: %d channels, %d bits, %u Hz, block align %d]",
            m_format.nChannels, m_format.wBitsPerSample, m_format.nSamplesPerSec, m_format.nBlockAlign);
    throw VsaSourceError(VsaSourceFault::kUnusableFormat);
  }
  // Left to right with integer division at each division, as the piece has always been computed;
  // then down to whole frames, so that no piece starts inside a frame and the channels never slip.
  uint64_t bytes = uint64_t{m_format.nChannels} * 4096 * m_format.wBitsPerSample / 16 * m_format.nSamplesPerSec / 11025;
  bytes -= bytes % m_format.nBlockAlign;
  if (bytes == 0 || bytes > kMaxBytesPerPiece) {
    QAV_LOG(LOG_WARNING, u"VsaWaveSource::Prepare [ERROR %llu bytes per block at %u Hz]",
            static_cast<unsigned long long>(bytes), m_format.nSamplesPerSec);
    throw VsaSourceError(VsaSourceFault::kBadBlockSize);
  }
  m_bytesPerPiece = static_cast<uint32_t>(bytes);
  if (m_readBuffer.size() < m_bytesPerPiece) m_readBuffer.resize(m_bytesPerPiece);

  m_converter.reset();
  if (m_format.wBitsPerSample != 16 || m_format.nSamplesPerSec != kVsaSampleRate) {
    const WAVEFORMATEX target = WaveUtilsMakePCMFormat(m_format.nChannels, 16, kVsaSampleRate);
    auto converter = std::make_unique<CPCMConvert>();
    if (!converter->Init(&m_format, &target)) throw VsaSourceError(VsaSourceFault::kNoConverter);
    m_converter = std::move(converter);
    m_conversionBuffer.resize(kConversionBufferBytes);
  }
}

bool VsaWaveSource::ReadPiece(std::vector<uint8_t>* gathered) {
  const int64_t left = std::max<int64_t>(0, m_dataEnd - m_position);
  const size_t wanted = static_cast<size_t>(std::min<int64_t>(m_bytesPerPiece, left));
  if (wanted == 0) return false;
  const int64_t got = ReadUpTo(m_fd, m_readBuffer.data(), wanted);
  if (got < 0) {
    QAV_LOG(LOG_WARNING, u"VsaWaveSource::ReadPiece [ERROR reading %u bytes at %lld]", static_cast<unsigned>(wanted),
            static_cast<long long>(m_position));
    throw VsaSourceError(VsaSourceFault::kReadFailed);
  }
  if (got == 0) return false;  // the file is shorter than its header says
  m_position += got;
  if (!m_converter) {
    gathered->insert(gathered->end(), m_readBuffer.begin(), m_readBuffer.begin() + got);
  } else {
    AppendConverted(m_converter->Convert(m_readBuffer.data(), static_cast<uint32_t>(got), m_conversionBuffer.data(),
                                         static_cast<uint32_t>(m_conversionBuffer.size())),
                    gathered);
  }
  return true;
}

void VsaWaveSource::FlushPieces(std::vector<uint8_t>* gathered) {
  if (m_converter) {
    AppendConverted(m_converter->Flush(m_conversionBuffer.data(), static_cast<uint32_t>(m_conversionBuffer.size())),
                    gathered);
  }
}

void VsaWaveSource::AppendConverted(int converted, std::vector<uint8_t>* gathered) {
  if (converted < 0) throw VsaSourceError(VsaSourceFault::kConversionFailed);
  gathered->insert(gathered->end(), m_conversionBuffer.begin(), m_conversionBuffer.begin() + converted);
}

void VsaWaveSource::Finish() noexcept {
  if (SeekTo(m_fd, m_start)) m_position = m_start;
  m_converter.reset();
  DropGathered();
}

}  // namespace qav
