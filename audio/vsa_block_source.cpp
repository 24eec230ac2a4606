#include "audio/vsa_block_source.h"

#include <algorithm>

#include "audio/byte_order.h"
#include "audio/vsa_block_analyser.h"

namespace qav {

VsaBlockRead VsaGatheringSource::ReadBlock(std::vector<int16_t>* samples) {
  const size_t frameBytes = 2 * static_cast<size_t>(Channels());
  const size_t blockBytes = frameBytes * kVsaBlockSamples;
  while (!m_ended && m_gathered.size() < blockBytes) {
    if (!ReadPiece(&m_gathered)) {
      m_ended = true;
      FlushPieces(&m_gathered);
    }
  }
  const size_t available = m_gathered.size() / frameBytes * frameBytes;
  const bool full = available >= blockBytes;
  if (!full && (available == 0 || !m_endsWithPartialBlock)) {
    samples->clear();
    m_gathered.clear();
    return VsaBlockRead::kNone;
  }
  const size_t taken = std::min(available, blockBytes);
  samples->resize(taken / 2);
  for (size_t i = 0; i < samples->size(); ++i) (*samples)[i] = static_cast<int16_t>(GetLE16(m_gathered.data() + 2 * i));
  m_gathered.erase(m_gathered.begin(), m_gathered.begin() + static_cast<ptrdiff_t>(taken));
  if (full) return VsaBlockRead::kFull;
  m_gathered.clear();
  return VsaBlockRead::kLast;
}

}  // namespace qav
