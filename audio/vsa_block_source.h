// Where the voice analysis gets its blocks from: a recording opened at the start of its audio,
// read one block after another as 16-bit samples at 11025 Hz with the recording's own channels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace qav {

// Why a source could not give its blocks; the analysis then fails and logs the code.
enum class VsaSourceFault {
  kUnusableFormat = 1,
  kBadBlockSize = 2,
  kNoConverter = 3,
  kReadFailed = 4,
  kConversionFailed = 5,
};

class VsaSourceError : public std::runtime_error {
 public:
  explicit VsaSourceError(VsaSourceFault fault) : std::runtime_error("recording unreadable"), m_fault(fault) {}
  VsaSourceFault fault() const { return m_fault; }

 private:
  VsaSourceFault m_fault;
};

enum class VsaBlockRead {
  kFull,  // a whole block
  kLast,  // the audio ended inside the block: what there was, the rest silent; nothing follows
  kNone,  // nothing more: the audio ended before another block began (or, for an MP3, was complete)
};

class VsaBlockSource {
 public:
  virtual ~VsaBlockSource() = default;

  // The recording's channel count (the analysis takes 1 or 2).
  virtual int Channels() const = 0;
  // The byte offset in the file that the next block is read from.
  virtual int64_t Position() = 0;
  virtual int64_t FileLength() const = 0;
  // Sets up the reading of blocks (buffers, converter). Throws VsaSourceError when it cannot: the analysis
  // then fails.
  virtual void Prepare() = 0;
  // Reads the next block into `samples` (frames x channels interleaved, at most 2048 frames).
  // Throws VsaSourceError on a read or conversion error.
  virtual VsaBlockRead ReadBlock(std::vector<int16_t>* samples) = 0;
  // Back to the offset the analysis started from, converter released. Never throws.
  virtual void Finish() noexcept = 0;
};

// A source whose file is read in pieces (a WAV's block of bytes, an MP3's frame) that each convert
// to some number of samples at 11025 Hz. The samples are gathered and handed out in blocks of
// exactly 2048 frames; what a piece gives beyond a block starts the next one, so the analysed audio
// has neither gaps nor silent holes however unevenly the converter delivers.
class VsaGatheringSource : public VsaBlockSource {
 public:
  VsaBlockRead ReadBlock(std::vector<int16_t>* samples) final;

 protected:
  // Whether the audio that ends inside a block still makes a (last) block.
  explicit VsaGatheringSource(bool endsWithPartialBlock) : m_endsWithPartialBlock(endsWithPartialBlock) {}

  // Reads and converts the next piece of the file, appending 16-bit samples at 11025 Hz (as bytes)
  // to `gathered`; false at the end of the audio. Throws VsaSourceError on an error.
  virtual bool ReadPiece(std::vector<uint8_t>* gathered) = 0;
  // At the end of the audio: appends what the converter still holds. Throws VsaSourceError on an error.
  virtual void FlushPieces(std::vector<uint8_t>* gathered) = 0;
  // Drops what was gathered (for Finish).
  void DropGathered() {
    m_gathered.clear();
    m_ended = false;
  }

 private:
  const bool m_endsWithPartialBlock;
  std::vector<uint8_t> m_gathered;
  bool m_ended = false;
};

}  // namespace qav
