// The voice analysis reading a WAV recording. The file is read in pieces of the bytes that hold
// 2048 samples at 11025 Hz in the file's own format (channels x 4096 x bits / 16 x rate / 11025,
// down to whole sample frames), each converted to 16-bit at 11025 Hz when the file has another
// format. A recording that ends inside a block gives a last, partly silent block.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/pcm_convert.h"
#include "audio/vsa_block_source.h"
#include "platform/wave_format.h"

namespace qav {

class VsaWaveSource : public VsaGatheringSource {
 public:
  // The descriptor stays the caller's and must be at the data start; reads stop at the end of the
  // data chunk (a chunk after it is not audio).
  VsaWaveSource(int fd, const WAVEFORMATEX& format, uint32_t dataOffset, uint32_t dataSize, int64_t fileLength);

  int Channels() const override { return m_format.nChannels; }
  int64_t Position() override { return m_position; }
  int64_t FileLength() const override { return m_fileLength; }
  void Prepare() override;
  void Finish() noexcept override;

  uint32_t BytesPerPiece() const { return m_bytesPerPiece; }

 private:
  bool ReadPiece(std::vector<uint8_t>* gathered) override;
  void FlushPieces(std::vector<uint8_t>* gathered) override;
  void AppendConverted(int converted, std::vector<uint8_t>* gathered);

  const int m_fd;
  const WAVEFORMATEX m_format;
  const int64_t m_start;
  const int64_t m_dataEnd;
  const int64_t m_fileLength;
  int64_t m_position;
  uint32_t m_bytesPerPiece = 0;
  std::vector<uint8_t> m_readBuffer;
  std::vector<uint8_t> m_conversionBuffer;
  std::unique_ptr<CPCMConvert> m_converter;
};

}  // namespace qav
