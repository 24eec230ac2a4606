// The voice analysis reading an MP3 recording: frame after frame from the file's position (the
// next valid header, then that frame's bytes), each decoded to 16-bit PCM at 11025 Hz with the
// file's channels. A recording that ends before a block is complete has no further block.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/mpeg_convert.h"
#include "audio/vsa_block_source.h"
#include "platform/wave_format.h"

namespace qav {

class VsaMpegSource : public VsaGatheringSource {
 public:
  // The descriptor stays the caller's and must be at the first frame.
  VsaMpegSource(int fd, const MPEGLAYER3WAVEFORMAT& format, uint32_t dataOffset, int64_t fileLength);

  int Channels() const override { return m_format.wfx.nChannels; }
  int64_t Position() override { return m_position; }
  int64_t FileLength() const override { return m_fileLength; }
  void Prepare() override;
  void Finish() noexcept override;

 private:
  // False at the end of the audio: no further frame, a frame cut short, or one the decoder refuses.
  bool ReadPiece(std::vector<uint8_t>* gathered) override;
  void FlushPieces(std::vector<uint8_t>*) override {}

  const int m_fd;
  const MPEGLAYER3WAVEFORMAT m_format;
  const int64_t m_start;
  const int64_t m_fileLength;
  int64_t m_position;
  std::vector<uint8_t> m_frame;
  std::vector<uint8_t> m_decoded;  // one frame's output
  std::unique_ptr<CMPEGConvert> m_converter;
};

}  // namespace qav
