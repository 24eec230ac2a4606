// The voice analysis of real files: WAV recordings in the formats the program and other tools
// write, MP3 recordings made by the lame tool, and files it must refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "audio/vsa.h"
#include "audio/wave_utils.h"
#include "foundation/language_tables.h"
#include "platform/text.h"
#include "tests/audio/audio_test_support.h"
#include "tests/audio/vsa_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

using qav::kVsaBlockSamples;
using qav::test::Quote;
using qav::test::RecordingProgressRunner;
using qav::test::RunCommand;

// Samples (16-bit, interleaved) written as a WAV of 8, 16 or 24 bits.
bool WriteWavFile(const std::string& path, int rate, int channels, int bits, const std::vector<int16_t>& samples) {
  const WAVEFORMATEX format = WaveUtilsMakePCMFormat(static_cast<uint16_t>(channels), static_cast<uint16_t>(bits),
                                                     static_cast<uint32_t>(rate));
  std::string bytes;
  for (const int16_t s : samples) {
    if (bits == 8) bytes += static_cast<char>((s >> 8) + 128);
    if (bits >= 16) {
      if (bits == 24) bytes += '\0';
      bytes += static_cast<char>(s & 0xFF);
      bytes += static_cast<char>((s >> 8) & 0xFF);
    }
  }
  return qav::test::WriteWav(path, format, bytes);
}

class VsaFileTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadDefaultLangLib(); }
  std::u16string Path(const std::string& name) const { return qav::U16(dir.File(name)); }

  qav::test::TempDir dir;
  CVSA vsa;
};

TEST_F(VsaFileTest, AWaveAt11025IsAnalysedExactlyAsItsSamples) {
  const std::vector<int16_t> samples =
      qav::test::Concat(qav::test::Sine(10 * kVsaBlockSamples, 10.0, 12000), qav::test::Silence(9 * kVsaBlockSamples + 700));
  ASSERT_TRUE(WriteWavFile(dir.File("tone.wav"), 11025, 1, 16, samples));
  RecordingProgressRunner dialog;
  ASSERT_EQ(vsa.Init(Path("tone.wav"), 0, &dialog), 1);

  CVSA reference;
  qav::test::SampleBlockSource source(samples, 1, 46);
  ASSERT_EQ(reference.Analyse(source, 0, nullptr), 1);
  ASSERT_EQ(vsa.GetCount(), reference.GetCount());
  for (int i = 0; i < vsa.GetCount(); ++i) {
    EXPECT_EQ(vsa.Results().GetOffsetAt(i), reference.Results().GetOffsetAt(i)) << i;
    EXPECT_EQ(vsa.Results().GetValueAt(i), reference.Results().GetValueAt(i)) << i;
    EXPECT_EQ(vsa.GetLevelAt(i), reference.GetLevelAt(i)) << i;
  }
}

// The median value of the entries between the first and the closing one.
int MedianValue(const CVSA& vsa) {
  std::vector<int> values;
  for (int i = 1; i + 1 < vsa.GetCount(); ++i) values.push_back(vsa.Results().GetValueAt(i));
  if (values.empty()) return -1;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

TEST_F(VsaFileTest, OtherRatesWidthsAndChannelsGiveTheValuesOfTheSameTremorAt11025) {
  // The value of each tremor frequency read straight at 11025 Hz.
  auto valueAt11025 = [](double hz) {
    CVSA reference;
    qav::test::SampleBlockSource source(qav::test::Sine(16 * kVsaBlockSamples, hz, 12000), 1);
    reference.Analyse(source, 0, nullptr);
    return MedianValue(reference);
  };
  struct Case {
    int rate, channels, bits, choice;
    double leftHz, rightHz;
  } cases[] = {
      {16000, 1, 16, 0, 10.0, 0},    // the program's own recordings
      {8000, 1, 8, 0, 9.0, 0},
      {44100, 1, 16, 0, 11.0, 0},
      {22050, 2, 16, 1, 10.0, 11.5},
      {48000, 2, 16, 2, 9.0, 11.5},  // 35665.3 bytes a block: whole frames only, or the channels slip
  };
  for (const Case& c : cases) {
    const double seconds = 3.0;
    std::vector<int16_t> left = qav::test::Tone(c.rate, 1, c.leftHz, seconds, 0.4);
    std::vector<int16_t> samples = left;
    if (c.channels == 2) samples = qav::test::Interleave(left, qav::test::Tone(c.rate, 1, c.rightHz, seconds, 0.4));
    const std::string name = std::to_string(c.rate) + "-" + std::to_string(c.channels) + ".wav";
    ASSERT_TRUE(WriteWavFile(dir.File(name), c.rate, c.channels, c.bits, samples));

    qav::test::LogCapture log;
    ASSERT_EQ(vsa.Init(Path(name), c.choice, nullptr), 1) << name << qav::test::LogText(log);
    const double hz = c.choice == 2 ? c.rightHz : c.leftHz;
    EXPECT_NEAR(MedianValue(vsa), valueAt11025(hz), 1) << name;
    EXPECT_GT(vsa.GetCount(), 3) << name;
  }
}

TEST_F(VsaFileTest, AnMpegIsAnalysedAsTheSamplesItDecodesTo) {
  // Loud, then silent; lame makes an MP3 at 11025 Hz, mpg123 decodes it to a WAV.
  const auto samples = qav::test::Concat(qav::test::Noise(30000, 20000), qav::test::Silence(25000));
  ASSERT_TRUE(WriteWavFile(dir.File("in.wav"), 11025, 1, 16, samples));
  ASSERT_EQ(RunCommand("lame --quiet -t -b 32 --resample 11.025 " + Quote(dir.File("in.wav")) + " " +
                       Quote(dir.File("rec.mp3"))), 0);
  ASSERT_EQ(RunCommand("mpg123 -q -w " + Quote(dir.File("decoded.wav")) + " " + Quote(dir.File("rec.mp3"))), 0);

  RecordingProgressRunner dialog;
  ASSERT_EQ(vsa.Init(Path("rec.mp3"), 0, &dialog), 1);
  CVSA decoded;
  ASSERT_EQ(decoded.Init(Path("decoded.wav"), 0, nullptr), 1);
  // The WAV has a partly silent last block more; every other entry agrees, value and level.
  ASSERT_GE(vsa.GetCount(), 15);
  ASSERT_EQ(decoded.GetCount(), vsa.GetCount() + 1);
  for (int i = 1; i + 1 < vsa.GetCount(); ++i) {
    EXPECT_EQ(vsa.Results().GetValueAt(i), decoded.Results().GetValueAt(i)) << i;
    EXPECT_EQ(vsa.GetLevelAt(i), decoded.GetLevelAt(i)) << i;
    EXPECT_GT(vsa.Results().GetOffsetAt(i), vsa.Results().GetOffsetAt(i - 1)) << i;
  }
  EXPECT_EQ(vsa.GetLevelAt(1), 100);
  EXPECT_EQ(vsa.GetMeterAtOffset(vsa.Results().GetOffsetAt(vsa.GetCount() - 2)), 2);  // silence
  const int64_t size = static_cast<int64_t>(qav::test::ReadFileBytes(dir.File("rec.mp3")).size());
  EXPECT_EQ(vsa.Results().GetOffsetAt(vsa.GetCount() - 1), size + 256);
}

TEST_F(VsaFileTest, FilesThatCannotBeAnalysedReportZeroAndSayWhy) {
  auto wav = [&](const std::string& name, int rate, int bits, double seconds) {
    return WriteWavFile(dir.File(name), rate, 1, bits, qav::test::Tone(rate, 1, 10.0, seconds, 0.4));
  };
  ASSERT_TRUE(wav("short.wav", 11025, 16, 1.2));  // under 7 blocks
  ASSERT_TRUE(wav("slow.wav", 500, 16, 40.0));    // a rate the converter does not take
  ASSERT_TRUE(wav("deep.wav", 16000, 24, 3.0));   // a width the converter does not take
  WAVEFORMATEX floats = WaveUtilsMakePCMFormat(1, 32, 11025);
  floats.wFormatTag = 3;
  ASSERT_TRUE(qav::test::WriteWav(dir.File("float.wav"), floats, std::string(80000, '\0')));
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("garbage.wav"), "this is not a RIFF file at all"));
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("empty.wav"), ""));
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("empty.mp3"), ""));
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("STEREO.MP3"), ""));

  const struct {
    std::string name;
    std::u16string logged;
  } cases[] = {
      {"missing.wav", u"CVSA::Init [ERROR unable to open input file - " + Path("missing.wav") + u"]"},
      {"garbage.wav", u"CVSA::Init [ERROR from WaveUtilsReadAudioFileHeaderFormat]"},
      {"empty.wav", u"CVSA::Init [ERROR Wave Format not WAVE_FORMAT_PCM (0)]"},
      {"float.wav", u"CVSA::Init [ERROR Wave Format not WAVE_FORMAT_PCM (3)]"},
      {"short.wav", u"CVSA::RunWorker [ERROR file too short: 6 blocks, 8 needed]"},
      {"slow.wav", u"CVSA::RunWorker [ERROR 3 while reading the recording]"},
      {"deep.wav", u"CVSA::RunWorker [ERROR 3 while reading the recording]"},
      {"empty.mp3", u"CVSA::RunWorker [not analysed: 0 channels, channel choice 0]"},
  };
  for (const auto& c : cases) {
    qav::test::LogCapture log;
    RecordingProgressRunner dialog;
    EXPECT_EQ(vsa.Init(Path(c.name), 0, &dialog), 0) << c.name;
    EXPECT_TRUE(qav::test::Logged(log, c.logged)) << c.name << "\n" << qav::test::LogText(log);
  }

  // A file of another kind only clears what an earlier analysis left.
  ASSERT_TRUE(wav("good.wav", 11025, 16, 3.0));
  ASSERT_EQ(vsa.Init(Path("good.wav"), 0, nullptr), 1);
  ASSERT_GT(vsa.GetCount(), 2);
  ASSERT_TRUE(wav("good.ogg", 11025, 16, 3.0));
  EXPECT_EQ(vsa.Init(Path("good.ogg"), 0, nullptr), 0);
  EXPECT_EQ(vsa.GetCount(), 0);
}

}  // namespace
