// MPEG audio frames: the frame-header decoder, the frame search, the header reader for a whole
// file, and the MP3 format record the converters and the recording starts use.
//
// The bit-rate and sample-rate tables are those of MPEG-1 and MPEG-2 (with the MPEG 2.5 rates).
// Frame length, header included: Layer I (12 x bit rate / rate) x 4 + padding; Layer II and MPEG-1
// Layer III 144 x bit rate / rate + padding; MPEG-2 and 2.5 Layer III 72 x bit rate / rate +
// padding (integer division). Frames without a fixed bit rate are refused.
//
// Every read from a file is bounded by the file and reports a clear failure for truncated, empty
// and garbage files. A file whose first frame carries a VBR or Info header is refused: lengths,
// durations and seeking assume a constant bit rate.
#pragma once

#include <cstdint>

#include "platform/wave_format.h"

struct MPEGFrameInfo {
  int version = 0;          // the 2 version bits: 0 MPEG 2.5, 2 MPEG 2, 3 MPEG 1
  int layerIndex = 0;       // 0 Layer I, 1 Layer II, 2 Layer III
  int bitRate = 0;          // bits per second
  int sampleRate = 0;       // samples per second
  int padding = 0;          // padding bytes of this frame: 0, or 4 (Layer I) or 1 (Layers II, III)
  int channelMode = 0;      // 0 stereo, 1 joint stereo, 3 single channel
  int modeExtension = 0;    // 2 bits
  int emphasis = 0;         // 2 bits
  int copyright = 0;        // 1 bit
  int privateBit = 0;       // 1 bit
  int original = 0;         // 1 bit
  int crcPresent = 0;       // 1 when the protection bit is 0
  int frameLength = 0;      // bytes, header included
  int samplesPerFrame = 0;  // per channel
};

// Bytes MPEGGetNextGoodHeader reads at a time.
constexpr int kMPEGSyncReadSize = 1024;
// Bytes of the first frame the file header reader looks at for a VBR header.
constexpr int kMPEGFirstFrameReadSize = 1000;

// The offset of the first byte 0xFF followed by a byte of 0xE0 or more, with 4 bytes left from it,
// or -1; *sync points at it (nullptr when there is none).
int MPEGFindSync(const uint8_t* data, int length, const uint8_t** sync);

// Decodes a big-endian frame header word: 1 for a valid header, else 0 (the info is then not
// meaningful).
int MPEGHeaderDecode(uint32_t header, MPEGFrameInfo* info);

// From the file's position, finds the next valid header and leaves the file at its first byte: 1
// when found, 0 at the end of the file or on a read error. Only the header is checked.
int MPEGGetNextGoodHeader(int fd, MPEGFrameInfo* info);

// 1 when the first frame (the bytes from its header) holds a Xing, Info or VBRI header.
int MPEGHeaderDecodeVBR(const uint8_t* frame, int length, const MPEGFrameInfo& info);

// Reads the MP3 format of a file: steps over an ID3v2 tag at the start, finds the first good
// frame, refuses VBR files. Returns 1 with the format record (formatSize must be 30, kMpegLayer3WaveFormatSize), the offset of
// the first frame and the length of the audio from there to the end of the file; an empty file
// gives 1 with everything 0. The file is left after the bytes it read; callers seek to the offset.
int MPEGUtilsReadAudioFileHeaderFormat(int fd, MPEGLAYER3WAVEFORMAT* format, int formatSize, uint32_t* dataOffset,
                                       uint32_t* dataLength);

// Logs its name and returns 1; there is nothing to skip.
int MPEGUtilsSkipEmptyFrames(int fd);

// The MP3 format record of a stream of these frames: 1, or 0 for an info without rate, bit rate
// or frame length.
int MPEGFormatStructConfig(const MPEGFrameInfo& info, MPEGLAYER3WAVEFORMAT* format);

namespace qav {

// The MPEG version bits for a sample rate (3, 2 or 0), or -1 for a rate MPEG audio does not have.
int MPEGVersionForRate(int sampleRate);

// The Layer III bit rate the encoder uses for a requested one: the nearest the rate's MPEG version
// allows (at 16000 Hz nothing above 160000 bit/s), the lower of two at the same distance. 0 for a
// rate MPEG audio does not have.
int MPEGLayer3BitRateUsed(int sampleRate, int requestedBitRate);

// The frame information of the program's MP3 recordings: Layer III at that rate, the bit rate the
// encoder will actually use, no padding, mode 3 for mono and 0 for stereo, and the frame length and
// samples per frame of that MPEG version. 1, or 0 for a rate MPEG audio does not have.
int MakeMP3EncoderSettings(int bitRate, int sampleRate, int channels, MPEGFrameInfo* info);

}  // namespace qav
