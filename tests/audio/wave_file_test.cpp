#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/wave_utils.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using namespace qav::test;

namespace {

std::string Le16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(uint16_t(v)) + Le16(uint16_t(v >> 16)); }
std::string Chunk(const std::string& id, const std::string& payload, bool pad = true) {
  std::string c = id + Le32(uint32_t(payload.size())) + payload;
  if (pad && payload.size() % 2) c += '\0';
  return c;
}
std::string Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const std::string& extra = "") {
  const uint16_t align = uint16_t(channels * bits / 8);
  std::string f = Le16(tag) + Le16(channels) + Le32(rate) + Le32(align * rate) + Le16(align) + Le16(bits);
  if (!extra.empty()) f += Le16(uint16_t(extra.size())) + extra;
  return Chunk("fmt ", f);
}
std::string Riff(const std::string& body, const std::string& form = "WAVE") {
  return "RIFF" + Le32(uint32_t(4 + body.size())) + form + body;
}

struct WalkResult {
  int ok = -1;
  uint32_t offset = 0, size = 0;
  WAVEFORMATEX format{};
  int64_t position = -1;
};

WalkResult Walk(const TempDir& dir, const std::string& bytes) {
  const std::string path = dir.File("walk.wav");
  EXPECT_TRUE(WriteFileBytes(path, bytes));
  FdCloser fd(::open(path.c_str(), O_RDONLY));
  WalkResult r;
  r.ok = WaveUtilsReadAudioFileHeaderFormat(fd.get(), &r.format, kWaveFormatExSize, &r.offset, &r.size);
  r.position = CurrentOffset(fd.get());
  return r;
}

}  // namespace

TEST(WaveHeader, WritesTheProgramsFortySixBytes) {
  TempDir dir;
  const std::string path = dir.File("h.wav");
  const WAVEFORMATEX format = WaveUtilsMakePCMFormat(1, 16, 16000);
  EXPECT_EQ(format.nBlockAlign, 2);
  EXPECT_EQ(format.nAvgBytesPerSec, 32000u);
  FdCloser fd(::open(path.c_str(), O_RDWR | O_CREAT, 0600));
  uint32_t offset = 0;
  ASSERT_EQ(WriteAudioFileHeaderFormat(fd.get(), &format, 1000, &offset), 1);
  EXPECT_EQ(offset, 46u);
  const std::string expected = "RIFF" + Le32(1038) + "WAVE" + "fmt " + Le32(18) + Le16(1) + Le16(1) + Le32(16000) +
                               Le32(32000) + Le16(2) + Le16(16) + Le16(0) + "data" + Le32(1000);
  EXPECT_EQ(ReadFileBytes(path), expected);

  WAVEFORMATEX withExtra = format;
  withExtra.cbSize = 2;  // the program writes no extra format bytes
  EXPECT_EQ(WriteAudioFileHeaderFormat(fd.get(), &withExtra, 0, &offset), 0);
}

TEST(WaveHeader, ChunkWalkerTable) {
  TempDir dir;
  const std::string fmt16 = Fmt(1, 1, 16000, 16);
  const std::string pcm6 = "abcdef";
  struct Case {
    const char* name;
    std::string bytes;
    int ok;
    uint32_t offset, size;
  } cases[] = {
      {"plain", Riff(fmt16 + Chunk("data", pcm6)), 1, 44, 6},
      {"fact before data", Riff(fmt16 + Chunk("fact", Le32(3)) + Chunk("data", pcm6)), 1, 56, 6},
      {"fact before fmt", Riff(Chunk("fact", Le32(3)) + fmt16 + Chunk("data", pcm6)), 1, 56, 6},
      {"LIST before data is stepped over", Riff(fmt16 + Chunk("LIST", "INFOxxxx") + Chunk("data", pcm6)), 1, 60, 6},
      {"odd chunk with its pad byte", Riff(fmt16 + Chunk("junk", "abc") + Chunk("data", pcm6)), 1, 56, 6},
      {"trailing chunk is not data", Riff(fmt16 + Chunk("data", pcm6) + Chunk("LIST", "INFOxxxx")), 1, 44, 6},
      {"format with extra bytes", Riff(Fmt(1, 1, 8000, 8, "xy") + Chunk("data", pcm6)), 1, 48, 6},
      {"data size past the end is what is there",
       Riff(fmt16).substr(0, 4) + Le32(1000) + "WAVE" + fmt16 + "data" + Le32(1000) + pcm6, 1, 44, 6},
      {"chunks after the RIFF size are ignored", Riff(fmt16 + Chunk("data", pcm6)) + "garbage!", 1, 44, 6},
      {"empty file", "", 1, 0, 0},
      {"no data chunk", Riff(fmt16), 1, 0, 0},
      {"wvpk data refused", Riff(fmt16 + Chunk("data", "wvpkab")), 0, 0, 0},
      {"truncated in the format", Riff(fmt16).substr(0, 30), 0, 0, 0},
      {"truncated before the data size", Riff(fmt16 + "data"), 0, 0, 0},
      {"garbage", std::string("This is not a sound file at all."), 0, 0, 0},
      {"RIFF of another form", Riff(fmt16 + Chunk("data", pcm6), "AVI "), 0, 0, 0},
      {"data before fmt", Riff(Chunk("data", pcm6) + fmt16), 0, 0, 0},
      {"fmt too small", Riff(Chunk("fmt ", "0123456789") + Chunk("data", pcm6)), 0, 0, 0},
      {"format chunk longer than the file", Riff("fmt " + Le32(500) + fmt16.substr(8)), 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const WalkResult r = Walk(dir, c.bytes);
    EXPECT_EQ(r.ok, c.ok);
    if (c.ok != 1) continue;
    EXPECT_EQ(r.offset, c.offset);
    EXPECT_EQ(r.size, c.size);
    EXPECT_EQ(r.position, c.offset);  // left at the data
    if (c.size) {
      EXPECT_EQ(r.format.wFormatTag, 1);
    }
    EXPECT_EQ(r.format.cbSize, 0);
  }
}

TEST(WaveHeader, AFileNeverFinishedHasDataSizeZero) {
  TempDir dir;
  const std::string path = dir.File("new.wav");
  uint32_t offset = 0;
  int fd = -1;
  ASSERT_EQ(PrepareAudioFileForWritingWave(U16(path), WaveUtilsMakePCMFormat(1, 8, 8000), 0, &offset, &fd), 1);
  EXPECT_EQ(CurrentOffset(fd), 46);
  ::close(fd);
  const WalkResult r = Walk(dir, ReadFileBytes(path));
  EXPECT_EQ(r.ok, 1);
  EXPECT_EQ(r.offset, 46u);
  EXPECT_EQ(r.size, 0u);
  EXPECT_EQ(r.format.nSamplesPerSec, 8000u);
  WAVEFORMATEX format{};
  uint32_t dataOffset = 0, dataSize = 0;
  EXPECT_EQ(ReadAudioFileHeaderFormatWAVE(U16(path), &format, &dataOffset, &dataSize), 0);  // no audio
}

TEST(WaveHeader, FileExtensions) {
  struct Case {
    const char16_t* path;
    const char16_t* ext;
    int expected;
  } cases[] = {
      {u"a.WAV", u".wav", 1}, {u".wav", u".wav", 0}, {u"", u".wav", 0},        {u"a.wav", u"", 0},
      {u"a.mp3", u".wav", 0}, {u"x.wav.Mp3", u".mp3", 1}, {u"dir/greeting.wav", u".wav", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(IsFileExtension(c.path, c.ext), c.expected) << U8(c.path);
}

TEST(WaveRecordingFile, IsWrittenContinuedAndReadBackBySox) {
  TempDir dir;
  const std::string path = dir.File("conversation.wav");
  const WAVEFORMATEX format = WaveUtilsMakePCMFormat(2, 16, 16000);
  const std::string first = ToBytes(Tone(16000, 2, 500, 0.5));
  const std::string second = ToBytes(Tone(16000, 2, 500, 0.25));

  uint32_t offset = 0;
  int fd = -1;
  ASSERT_EQ(PrepareAudioFileForWritingWave(U16(path), format, 0, &offset, &fd), 1);
  ASSERT_TRUE(WriteFully(fd, first.data(), first.size()));
  ASSERT_EQ(WriteAudioFileHeaderFormat(fd, &format, uint32_t(first.size()), &offset), 1);
  ASSERT_TRUE(CommitAndClose(fd));

  // A later recording joins the file in its own format.
  WAVEFORMATEX existing{};
  uint32_t dataOffset = 0, written = 0;
  ASSERT_EQ(ReadAudioFileHeaderFormatWAVE(U16(path), &existing, &dataOffset, &written), 1);
  EXPECT_EQ(existing.nChannels, 2);
  EXPECT_EQ(written, first.size());
  ASSERT_EQ(PrepareAudioFileForWritingWave(U16(path), existing, written, &dataOffset, &fd), 1);
  EXPECT_EQ(CurrentOffset(fd), int64_t(46 + first.size()));
  ASSERT_TRUE(WriteFully(fd, second.data(), second.size()));
  ASSERT_EQ(WriteAudioFileHeaderFormat(fd, &existing, uint32_t(first.size() + second.size()), &offset), 1);
  ASSERT_TRUE(CommitAndClose(fd));

  EXPECT_EQ(RunCommand("test \"$(sox --i -s " + Quote(path) + ")\" = 12000"), 0) << "sox reads 0.75 s of stereo";
  WAVEFORMATEX back{};
  std::string data;
  ASSERT_TRUE(ReadWav(path, &back, &data));
  EXPECT_EQ(data, first + second);
}

TEST(WaveRecordingFile, RefusesToOverwriteAFileLaidOutDifferently) {
  TempDir dir;
  const std::string path = dir.File("foreign.wav");
  const std::string bytes = Riff(Fmt(1, 1, 16000, 16) + Chunk("fact", Le32(3)) + Chunk("data", "abcdef"));
  ASSERT_TRUE(WriteFileBytes(path, bytes));
  WAVEFORMATEX format{};
  uint32_t dataOffset = 0, written = 0;
  ASSERT_EQ(ReadAudioFileHeaderFormatWAVE(U16(path), &format, &dataOffset, &written), 1);
  EXPECT_EQ(dataOffset, 56u);
  int fd = -1;
  EXPECT_EQ(PrepareAudioFileForWritingWave(U16(path), format, written, &dataOffset, &fd), 0);
  EXPECT_EQ(fd, -1);
  EXPECT_EQ(ReadFileBytes(path), bytes);  // untouched

  LogCapture log;
  EXPECT_EQ(PrepareAudioFileForWritingWave(U16(dir.File("x.mp3")), format, 0, &dataOffset, &fd), 0);
  EXPECT_TRUE(Logged(log, u"CAudioDriver [ERROR: output file not WAV extention]"));
}
