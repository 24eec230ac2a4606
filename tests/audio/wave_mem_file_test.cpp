#include "audio/wave_mem_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/wave_utils.h"
#include "platform/text.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using namespace qav::test;

namespace {

std::vector<int16_t> Samples(CWaveMemFile& memory) {
  const CMemFile* file = memory.GetFile();
  return ToSamples(file->GetData().data(), file->GetData().size());
}

std::string Le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = char(v >> (8 * i));
  return s;
}

}  // namespace

TEST(WaveMemFile, KeepsTheFirstPcmFormat) {
  CWaveMemFile memory;
  uint32_t size = 0;
  EXPECT_EQ(memory.GetFormat(nullptr, &size), 0);  // no format yet
  WAVEFORMATEX mp3 = WaveUtilsMakePCMFormat(1, 16, 16000);
  mp3.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  EXPECT_EQ(memory.SetFormat(&mp3), 0);
  const WAVEFORMATEX first = WaveUtilsMakePCMFormat(1, 16, 44100), second = WaveUtilsMakePCMFormat(2, 8, 8000);
  EXPECT_EQ(memory.SetFormat(&first), 1);
  EXPECT_EQ(memory.SetFormat(&second), 1);  // the first one stays
  EXPECT_EQ(memory.GetFormat(nullptr, &size), 18);
  EXPECT_EQ(size, 18u);
  WAVEFORMATEX got{};
  size = 17;
  EXPECT_EQ(memory.GetFormat(&got, &size), 0);
  size = 18;
  EXPECT_EQ(memory.GetFormat(&got, &size), 18);
  EXPECT_EQ(got.nSamplesPerSec, 44100u);
  EXPECT_EQ(got.nChannels, 1);
}

TEST(WaveMemFile, AssemblesBeepGreetingBeepFromOtherFormats) {
  TempDir dir;
  // beep1: 16000 Hz 16-bit mono, 1000 Hz; the greeting: an MP3 at 16000 Hz; beep2: 8000 Hz 8-bit
  // stereo, 2000 Hz, with a trailing chunk after its data that must not play.
  const std::string beep1 = dir.File("beep1.wav"), greeting = dir.File("greeting.mp3"), beep2 = dir.File("beep2.wav");
  ASSERT_TRUE(WriteWav(beep1, WaveUtilsMakePCMFormat(1, 16, 16000), ToBytes(Tone(16000, 1, 1000, 0.2))));
  ASSERT_TRUE(WriteWav(dir.File("g.wav"), WaveUtilsMakePCMFormat(1, 16, 16000), ToBytes(Tone(16000, 1, 500, 1.0))));
  ASSERT_EQ(RunCommand("lame --quiet -t -b 96 --resample 16 " + Quote(dir.File("g.wav")) + " " + Quote(greeting)), 0);
  std::string beep2Data;
  for (int16_t s : Tone(8000, 2, 2000, 0.2)) beep2Data.push_back(char((s >> 8) + 128));
  ASSERT_TRUE(WriteWav(beep2, WaveUtilsMakePCMFormat(2, 8, 8000), beep2Data));
  std::string withTrailer = ReadFileBytes(beep2);
  withTrailer += "LIST" + Le32(64) + std::string(64, '\x7F');
  ASSERT_TRUE(WriteFileBytes(beep2, withTrailer));

  CWaveMemFile memory;
  const WAVEFORMATEX format = WaveUtilsMakePCMFormat(1, 16, 44100);
  ASSERT_EQ(memory.SetFormat(&format), 1);
  ASSERT_EQ(memory.AddFile(U16(beep1)), 1);
  const size_t afterBeep1 = Samples(memory).size();
  ASSERT_EQ(memory.AddFile(U16(greeting)), 1);
  const size_t afterGreeting = Samples(memory).size();
  ASSERT_EQ(memory.AddFile(U16(beep2)), 1);
  const std::vector<int16_t> all = Samples(memory);

  EXPECT_NEAR(double(afterBeep1), 0.2 * 44100, 1);
  EXPECT_NEAR(double(afterGreeting - afterBeep1), 44100, 0.15 * 44100);  // plus the encoder's delay and padding
  EXPECT_NEAR(double(all.size() - afterGreeting), 0.2 * 44100, 1);     // the trailing chunk is not there
  EXPECT_NEAR(MeasuredFrequency(all, 44100, 441, 7000), 1000, 10);
  EXPECT_NEAR(MeasuredFrequency(all, 44100, afterBeep1 + 8000, 22050), 500, 5);
  EXPECT_NEAR(MeasuredFrequency(all, 44100, afterGreeting + 441, 7000), 2000, 20);
  EXPECT_EQ(memory.GetFile()->GetPosition(), memory.GetFile()->GetLength());
}

TEST(WaveMemFile, TakesTheFirstFilesFormatAndStaysAlignedAfterOddData) {
  TempDir dir;
  const std::string odd = dir.File("odd.wav"), next = dir.File("next.wav");
  std::string data = ToBytes(Tone(16000, 1, 800, 0.1));
  data.push_back('\x01');  // a stray byte after the last whole sample
  ASSERT_TRUE(WriteWav(odd, WaveUtilsMakePCMFormat(1, 16, 16000), data));
  ASSERT_TRUE(WriteWav(next, WaveUtilsMakePCMFormat(1, 16, 16000), ToBytes(Tone(16000, 1, 800, 0.1))));
  CWaveMemFile memory;
  ASSERT_EQ(memory.AddFile(U16(odd)), 1);
  ASSERT_EQ(memory.AddFile(U16(next)), 1);
  WAVEFORMATEX got{};
  uint32_t size = 18;
  ASSERT_EQ(memory.GetFormat(&got, &size), 18);
  EXPECT_EQ(got.nSamplesPerSec, 16000u);
  EXPECT_EQ(memory.GetFile()->GetLength(), 2u * 3200u);
  EXPECT_EQ(Samples(memory), [] {
    std::vector<int16_t> twice = Tone(16000, 1, 800, 0.1);
    const std::vector<int16_t> again = twice;
    twice.insert(twice.end(), again.begin(), again.end());
    return twice;
  }());
}

TEST(WaveMemFile, FailuresKeepWhatWasAppended) {
  TempDir dir;
  const std::string good = dir.File("beep1.wav");
  ASSERT_TRUE(WriteWav(good, WaveUtilsMakePCMFormat(1, 16, 44100), ToBytes(Tone(44100, 1, 1000, 0.1))));
  ASSERT_TRUE(WriteFileBytes(dir.File("garbage.wav"), "RIFF....WAVEjunk"));
  ASSERT_TRUE(WriteFileBytes(dir.File("garbage.mp3"), std::string(4000, 'z')));
  ASSERT_TRUE(WriteFileBytes(dir.File("empty.wav"), ""));
  ASSERT_TRUE(WriteFileBytes(dir.File("greeting.ogg"), "OggS"));
  CWaveMemFile memory;
  const WAVEFORMATEX format = WaveUtilsMakePCMFormat(1, 16, 44100);
  memory.SetFormat(&format);
  ASSERT_EQ(memory.AddFile(U16(good)), 1);
  struct Case {
    const char* name;
    const char16_t* log;
  } cases[] = {
      {"missing.wav", nullptr},
      {"greeting.ogg", u"CWaveMemFile::AddFile [ERROR input file not WAV and not MP3 extension"},
      {"garbage.wav", u"CWaveMemFile::AddFile [ERROR from WaveUtilsReadAudioFileHeaderFormat]"},
      {"empty.wav", u"CWaveMemFile::AddFile [ERROR from WaveUtilsReadAudioFileHeaderFormat]"},
      {"garbage.mp3", u"CWaveMemFile::AddFile [ERROR from MPEGUtilsReadAudioFileHeaderFormat]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    EXPECT_EQ(memory.AddFile(U16(dir.File(c.name))), 0);
    if (c.log) {
      EXPECT_TRUE(Logged(log, c.log)) << LogText(log);
    }
    EXPECT_EQ(memory.GetFile()->GetLength(), 8820u);
  }
}
