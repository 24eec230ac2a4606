// Where the voice analysis gets its blocks from: a recording opened at the start of its audio,
// read one block after another as 16-bit samples at 11025 Hz with the recording's own channels.
// The WAV and MP3 sources differ only in how they read and convert the bytes of a block.
#pragma once

#include <cstdint>
#include <vector>

namespace qav {

enum class VsaBlockRead {
  kFull,  // a whole block
  kLast,  // the file ended inside the block: what there was, the rest silent; nothing follows
  kNone,  // nothing usable: the file ended before a block could be completed
};

class VsaBlockSource {
 public:
  virtual ~VsaBlockSource() = default;

  // The recording's channel count (the analysis takes 1 or 2).
  virtual int Channels() const = 0;
  // The byte offset in the file that the next block is read from.
  virtual int64_t Position() = 0;
  virtual int64_t FileLength() const = 0;
  // Sets up the reading of blocks (buffers, converter). Throws an int when it cannot: the analysis
  // then fails.
  virtual void Prepare() = 0;
  // Reads the next block into `samples` (frames x channels interleaved, at most 2048 frames; fewer
  // while a converter fills up). Throws an int on a read or conversion error.
  virtual VsaBlockRead ReadBlock(std::vector<int16_t>* samples) = 0;
  // Back to the offset the analysis started from, converter released. Never throws.
  virtual void Finish() noexcept = 0;
};

}  // namespace qav
