#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/mpeg_utils.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using namespace qav::test;

namespace {

std::string Be32(uint32_t v) {
  return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

// A frame of the given header, zero-filled to its length, with `at` overwritten by `inside`.
std::string Frame(uint32_t header, size_t length, size_t at = 0, const std::string& inside = "") {
  std::string f = Be32(header) + std::string(length - 4, '\0');
  if (!inside.empty()) f.replace(at, inside.size(), inside);
  return f;
}

int OpenRead(const std::string& path) { return ::open(path.c_str(), O_RDONLY); }

}  // namespace

TEST(MpegFrameHeader, DecodesTheTablesAndRefusesBadIndexes) {
  struct Case {
    uint32_t header = 0;
    int ok = 0, version = 0, layer = 0, bitRate = 0, rate = 0, padding = 0, mode = 0, length = 0, samples = 0;
  } cases[] = {
      {0xFFFB9064, 1, 3, 2, 128000, 44100, 0, 1, 417, 1152},  // MPEG-1 Layer III, joint stereo
      {0xFFFB9264, 1, 3, 2, 128000, 44100, 1, 1, 418, 1152},  // padded
      {0xFFF3E8C4, 1, 2, 2, 160000, 16000, 0, 3, 720, 576},   // MPEG-2 Layer III: 72 x rate
      {0xFFE388C4, 1, 0, 2, 64000, 8000, 0, 3, 576, 576},     // MPEG 2.5 Layer III
      {0xFFFFC200, 1, 3, 0, 384000, 44100, 4, 0, 420, 384},   // Layer I: (12 x 384000 / 44100 + 1) x 4
      {0xFFFDA400, 1, 3, 1, 192000, 48000, 0, 0, 576, 1152},  // MPEG-1 Layer II
      {0xFFF5E000, 1, 2, 1, 160000, 22050, 0, 0, 1044, 1152}, // MPEG-2 Layer II keeps 144
      {0xFFFB0064, 0},                                        // no fixed bit rate
      {0xFFFBF064, 0},                                        // bit-rate index 15
      {0xFFFB9C64, 0},                                        // sample-rate index 3
      {0xFFFB90A4, 0},                                        // dual channel
      {0xFFEB9064, 0},                                        // reserved version
      {0xFFF99064, 0},                                        // reserved layer
      {0xFFDB9064, 0},                                        // sync incomplete
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.header);
    MPEGFrameInfo info;
    ASSERT_EQ(MPEGHeaderDecode(c.header, &info), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(info.version, c.version);
    EXPECT_EQ(info.layerIndex, c.layer);
    EXPECT_EQ(info.bitRate, c.bitRate);
    EXPECT_EQ(info.sampleRate, c.rate);
    EXPECT_EQ(info.padding, c.padding);
    EXPECT_EQ(info.channelMode, c.mode);
    EXPECT_EQ(info.frameLength, c.length);
    EXPECT_EQ(info.samplesPerFrame, c.samples);
  }
  MPEGFrameInfo info;
  ASSERT_EQ(MPEGHeaderDecode(0xFFFB9064, &info), 1);
  EXPECT_EQ(info.modeExtension, 2);
  EXPECT_EQ(info.original, 1);
  EXPECT_EQ(info.crcPresent, 0);
  ASSERT_EQ(MPEGHeaderDecode(0xFFFA9064, &info), 1);
  EXPECT_EQ(info.crcPresent, 1);
}

TEST(MpegFrameHeader, FindsSyncWithRoomForAHeader) {
  const uint8_t data[] = {0x00, 0xFF, 0x10, 0xFF, 0xE0, 0x01, 0x02};
  const uint8_t* sync = nullptr;
  EXPECT_EQ(MPEGFindSync(data, sizeof data, &sync), 3);
  EXPECT_EQ(sync, data + 3);
  EXPECT_EQ(MPEGFindSync(data, 6, &sync), -1);  // a sync in the last 3 bytes has no room
  EXPECT_EQ(sync, nullptr);
  EXPECT_EQ(MPEGFindSync(data, 0, &sync), -1);
}

TEST(MpegFrameHeader, SearchSkipsFalseSyncsAndFindsAHeaderSplitAcrossReads) {
  TempDir dir;
  const std::string path = dir.File("split.mp3");
  // A refused header early on, then a good one whose 4 bytes straddle the end of the first read.
  std::string garbage(kMPEGSyncReadSize - 2, '\x11');
  garbage.replace(100, 4, Be32(0xFFFB0064));
  ASSERT_TRUE(WriteFileBytes(path, garbage + Frame(0xFFFB9064, 417) + Frame(0xFFFB9064, 417)));
  FdCloser fd(OpenRead(path));
  MPEGFrameInfo info;
  ASSERT_EQ(MPEGGetNextGoodHeader(fd.get(), &info), 1);
  EXPECT_EQ(CurrentOffset(fd.get()), kMPEGSyncReadSize - 2);
  EXPECT_EQ(info.bitRate, 128000);
  ASSERT_TRUE(SeekTo(fd.get(), kMPEGSyncReadSize - 2 + 417));
  ASSERT_EQ(MPEGGetNextGoodHeader(fd.get(), &info), 1);
  EXPECT_EQ(CurrentOffset(fd.get()), kMPEGSyncReadSize - 2 + 417);
  ASSERT_TRUE(SeekTo(fd.get(), CurrentOffset(fd.get()) + 1));
  EXPECT_EQ(MPEGGetNextGoodHeader(fd.get(), &info), 0);  // nothing more up to the end

  ASSERT_TRUE(WriteFileBytes(path, std::string(5000, '\0')));
  FdCloser zeros(OpenRead(path));
  EXPECT_EQ(MPEGGetNextGoodHeader(zeros.get(), &info), 0);
}

TEST(MpegFrameHeader, RecognisesVbrHeaders) {
  MPEGFrameInfo stereo1, mono1, mono2;
  ASSERT_EQ(MPEGHeaderDecode(0xFFFB9064, &stereo1), 1);
  ASSERT_EQ(MPEGHeaderDecode(0xFFFB90C4, &mono1), 1);
  ASSERT_EQ(MPEGHeaderDecode(0xFFF3E8C4, &mono2), 1);
  const std::string xingFlags = Be32(0x0F);
  struct Case {
    const char* name;
    std::string frame;
    const MPEGFrameInfo& info;
    int expected;
  } cases[] = {
      {"Xing, MPEG-1 stereo", Frame(0xFFFB9064, 417, 36, "Xing" + xingFlags), stereo1, 1},
      {"Info, MPEG-1 stereo", Frame(0xFFFB9064, 417, 36, "Info" + Be32(0)), stereo1, 1},
      {"Xing, MPEG-1 mono", Frame(0xFFFB90C4, 417, 21, "Xing" + xingFlags), mono1, 1},
      {"Xing, MPEG-2 mono", Frame(0xFFF3E8C4, 720, 13, "Xing" + xingFlags), mono2, 1},
      {"VBRI", Frame(0xFFFB9064, 417, 36, "VBRI"), stereo1, 1},
      {"Xing cut short", Frame(0xFFFB9064, 417, 36, "Xing" + xingFlags).substr(0, 60), stereo1, 1},
      {"Xing at the wrong place", Frame(0xFFFB9064, 417, 21, "Xing"), stereo1, 0},
      {"plain frame", Frame(0xFFFB9064, 417), stereo1, 0},
      {"buffer shorter than the offset", Frame(0xFFFB9064, 417).substr(0, 30), stereo1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MPEGHeaderDecodeVBR(reinterpret_cast<const uint8_t*>(c.frame.data()), int(c.frame.size()), c.info),
              c.expected);
  }
}

TEST(MpegFileHeader, ReadsTheFirstFrameAfterAnId3TagAndRefusesBadFiles) {
  TempDir dir;
  const std::string path = dir.File("file.mp3");
  // An ID3 tag whose content looks like an MPEG-1 header, then MPEG-2 mono frames.
  std::string tag = "ID3" + std::string("\x03\x00\x00\x00\x00\x01\x00", 7) + std::string(128, 'x');
  tag.replace(40, 4, Be32(0xFFFB9064));
  const std::string frames = Frame(0xFFF3E8C4, 720) + Frame(0xFFF3E8C4, 720);
  ASSERT_TRUE(WriteFileBytes(path, tag + frames));
  FdCloser fd(OpenRead(path));
  MPEGLAYER3WAVEFORMAT format{};
  uint32_t offset = 0, length = 0;
  ASSERT_EQ(MPEGUtilsReadAudioFileHeaderFormat(fd.get(), &format, kMpegLayer3WaveFormatSize, &offset, &length), 1);
  EXPECT_EQ(offset, tag.size());
  EXPECT_EQ(length, frames.size());
  EXPECT_EQ(format.wfx.wFormatTag, WAVE_FORMAT_MPEGLAYER3);
  EXPECT_EQ(format.wfx.nSamplesPerSec, 16000u);
  EXPECT_EQ(format.wfx.nChannels, 1);
  EXPECT_EQ(format.wfx.nAvgBytesPerSec, 20000u);
  EXPECT_EQ(format.nBlockSize, 720);

  struct Bad {
    const char* name;
    std::string bytes;
    int expected;
    const char16_t* log;
  } cases[] = {
      {"empty", "", 1, u"[ Empty File ]"},
      {"three bytes", "\xFF\xFB\x90", 0, u"[ No MPEG Header foudn in File ]"},
      {"garbage", std::string(3000, 'g'), 0, u"[ No MPEG Header foudn in File ]"},
      {"a tag and nothing else", tag, 0, u"[ No MPEG Header foudn in File ]"},
      {"VBR", Frame(0xFFFB9064, 417, 36, "Xing" + Be32(0)) + Frame(0xFFFB9064, 417), 0,
       u"[ VBR MPEG File not supported ]"},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    ASSERT_TRUE(WriteFileBytes(path, c.bytes));
    FdCloser bad(OpenRead(path));
    EXPECT_EQ(MPEGUtilsReadAudioFileHeaderFormat(bad.get(), &format, kMpegLayer3WaveFormatSize, &offset, &length), c.expected);
    EXPECT_TRUE(Logged(log, c.log)) << LogText(log);
    EXPECT_EQ(format.wfx.nSamplesPerSec, 0u);
  }
  MPEGLAYER3WAVEFORMAT joined{};
  uint32_t written = 0;
  EXPECT_EQ(ReadAudioFileHeaderFormatMPEG(U16(path), &joined, &offset, &written), 0);
}

TEST(MpegFileHeader, AVbriTableOfTheLargestSizeIsTooLongForTheFileNotANegativeLength) {
  // The frame header, 32 zero bytes, "VBRI" and 22 bytes with the entry count and the entry size at
  // 0xFFFF: their product does not fit an int.
  std::string bytes = Be32(0xFFFB9000) + std::string(32, '\0') + "VBRI" + std::string(22, '\0');
  bytes[36 + 18] = bytes[36 + 19] = bytes[36 + 22] = bytes[36 + 23] = '\xFF';
  ASSERT_EQ(bytes.size(), 62u);
  TempDir dir;
  const std::string path = dir.File("vbri.mp3");
  ASSERT_TRUE(WriteFileBytes(path, bytes));
  LogCapture log;
  FdCloser fd(OpenRead(path));
  MPEGLAYER3WAVEFORMAT format{};
  uint32_t offset = 0, length = 0;
  EXPECT_EQ(MPEGUtilsReadAudioFileHeaderFormat(fd.get(), &format, kMpegLayer3WaveFormatSize, &offset, &length), 0);
  EXPECT_TRUE(Logged(log, u"[ Buffer too short for VBRI ]")) << LogText(log);
  EXPECT_TRUE(Logged(log, u"[ VBR MPEG File not supported ]")) << LogText(log);
}

TEST(MpegFormatRecord, FromFramesAndFromTheEncoderSettings) {
  MPEGFrameInfo info;
  ASSERT_EQ(MPEGHeaderDecode(0xFFFB9064, &info), 1);
  MPEGLAYER3WAVEFORMAT f{};
  ASSERT_EQ(MPEGFormatStructConfig(info, &f), 1);
  EXPECT_EQ(f.wfx.wFormatTag, 85);
  EXPECT_EQ(f.wfx.nChannels, 2);
  EXPECT_EQ(f.wfx.nSamplesPerSec, 44100u);
  EXPECT_EQ(f.wfx.nAvgBytesPerSec, 16000u);
  EXPECT_EQ(f.wfx.nBlockAlign, 1);  // 1 at 44100 Hz
  EXPECT_EQ(f.wfx.wBitsPerSample, 0);
  EXPECT_EQ(f.wfx.cbSize, 12);
  EXPECT_EQ(f.wID, 1);
  EXPECT_EQ(f.fdwFlags, 0u);
  EXPECT_EQ(f.nBlockSize, 417);
  EXPECT_EQ(f.nFramesPerBlock, 1);
  EXPECT_EQ(f.nCodecDelay, 0);

  // The program's recordings: the bit rate the encoder will use, the frame of that MPEG version.
  struct Case {
    int bitRate = 0, rate = 0, channels = 0;
    int ok = 0, used = 0, version = 0, mode = 0, length = 0, samples = 0;
  } cases[] = {
      {256000, 16000, 1, 1, 160000, 2, 3, 720, 576},  // too high for MPEG-2: clamped
      {96000, 16000, 1, 1, 96000, 2, 3, 432, 576},
      {32000, 16000, 1, 1, 32000, 2, 3, 144, 576},
      {128000, 16000, 2, 1, 128000, 2, 0, 576, 576},
      {256000, 44100, 1, 1, 256000, 3, 3, 835, 1152},
      {100000, 44100, 1, 1, 96000, 3, 3, 313, 1152},  // between two: the nearer
      {88000, 44100, 1, 1, 80000, 3, 3, 261, 1152},   // half-way: the lower
      {64000, 8000, 1, 1, 64000, 0, 3, 576, 576},
      {96000, 44000, 1, 0},
      {96000, 16000, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bitRate << " at " << c.rate);
    ASSERT_EQ(MakeMP3EncoderSettings(c.bitRate, c.rate, c.channels, &info), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(info.bitRate, c.used);
    EXPECT_EQ(info.version, c.version);
    EXPECT_EQ(info.layerIndex, 2);
    EXPECT_EQ(info.channelMode, c.mode);
    EXPECT_EQ(info.frameLength, c.length);
    EXPECT_EQ(info.samplesPerFrame, c.samples);
    ASSERT_EQ(MPEGFormatStructConfig(info, &f), 1);
    EXPECT_EQ(f.wfx.nAvgBytesPerSec, uint32_t(c.used / 8));
  }
  EXPECT_EQ(MPEGFormatStructConfig(MPEGFrameInfo{}, &f), 0);
}
