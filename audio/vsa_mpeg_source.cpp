#include "audio/vsa_mpeg_source.h"

#include "audio/fd_io.h"
#include "audio/mpeg_utils.h"
#include "audio/vsa_block_analyser.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"

namespace qav {
namespace {

// One frame's output after the rate conversion, with room to spare: the largest frame (1152
// samples) taken from the lowest rate MPEG audio has (8000 Hz) up to 11025 Hz, in stereo.
constexpr size_t kDecodedRoom = 16384;

}  // namespace

VsaMpegSource::VsaMpegSource(int fd, const MPEGLAYER3WAVEFORMAT& format, uint32_t dataOffset, int64_t fileLength)
    : VsaGatheringSource(false),
      m_fd(fd),
      m_format(format),
      m_start(dataOffset),
      m_fileLength(fileLength),
      m_position(dataOffset) {}

void VsaMpegSource::Prepare() {
  const int channels = m_format.wfx.nChannels;
  if (channels < 1 || channels > 2) throw VsaSourceError(VsaSourceFault::kUnusableFormat);
  const WAVEFORMATEX target = WaveUtilsMakePCMFormat(static_cast<uint16_t>(channels), 16, kVsaSampleRate);
  auto converter = std::make_unique<CMPEGConvert>();
  if (!converter->Init(&m_format.wfx, &target)) throw VsaSourceError(VsaSourceFault::kNoConverter);
  m_converter = std::move(converter);
  m_decoded.resize(kDecodedRoom);
}

bool VsaMpegSource::ReadPiece(std::vector<uint8_t>* gathered) {
  MPEGFrameInfo info;
  if (!MPEGGetNextGoodHeader(m_fd, &info)) return false;
  const int64_t frameStart = CurrentOffset(m_fd);
  if (frameStart < 0) return false;
  m_frame.resize(static_cast<size_t>(info.frameLength));
  if (!ReadExactly(m_fd, m_frame.data(), m_frame.size())) return false;  // the last frame is cut short
  m_position = frameStart + info.frameLength;

  const int decoded = m_converter->Convert(m_frame.data(), static_cast<uint32_t>(m_frame.size()), m_decoded.data(),
                                           static_cast<uint32_t>(m_decoded.size()));
  if (decoded < 0) {
    QAV_LOG(LOG_WARNING, u"VsaMpegSource::ReadPiece [ERROR decoding the frame at %lld: the audio ends here]",
            static_cast<long long>(frameStart));
    return false;
  }
  gathered->insert(gathered->end(), m_decoded.begin(), m_decoded.begin() + decoded);
  return true;
}

void VsaMpegSource::Finish() noexcept {
  if (SeekTo(m_fd, m_start)) m_position = m_start;
  m_converter.reset();
  DropGathered();
}

}  // namespace qav
