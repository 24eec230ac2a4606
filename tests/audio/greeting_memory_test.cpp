#include "audio/greeting_memory.h"

#include <gtest/gtest.h>

#include "audio/wave_utils.h"
#include "platform/text.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using namespace qav::test;

namespace {

class GreetingMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteWav(beep1_, WaveUtilsMakePCMFormat(1, 16, 44100), ToBytes(Tone(44100, 1, 880, 0.1))));
    ASSERT_TRUE(WriteWav(greeting_, WaveUtilsMakePCMFormat(1, 16, 22050), ToBytes(Tone(22050, 1, 440, 0.5))));
    ASSERT_TRUE(WriteWav(beep2_, WaveUtilsMakePCMFormat(2, 16, 44100), ToBytes(Tone(44100, 2, 1000, 0.2))));
  }

  static uint64_t Frames(const GreetingBuild& build) { return build.memFile->GetFile()->GetLength() / 2; }

  TempDir dir_;
  const std::string beep1_ = dir_.File("beep1.wav");
  const std::string greeting_ = dir_.File("greeting.wav");
  const std::string beep2_ = dir_.File("beep2.wav");
};

TEST_F(GreetingMemoryTest, HoldsTheBeepsAroundTheGreetingIn44100MonoPcm) {
  const GreetingBuild build = BuildGreetingMemFile({U16(beep1_), U16(greeting_), U16(beep2_)});
  EXPECT_TRUE(build.failedFile.empty());
  WAVEFORMATEX format{};
  uint32_t size = kWaveFormatExSize;
  ASSERT_EQ(build.memFile->GetFormat(&format, &size), 18);
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_EQ(format.nChannels, 1);
  EXPECT_EQ(format.wBitsPerSample, 16);
  // 0.1 s + 0.5 s (resampled) + 0.2 s, within a few frames of the resampler.
  EXPECT_NEAR(static_cast<double>(Frames(build)), 0.8 * 44100, 64);
  EXPECT_EQ(build.memFile->GetFile()->GetPosition(), 0u);
}

TEST_F(GreetingMemoryTest, TheFirstFileThatFailsEndsTheGreeting) {
  struct Case {
    std::vector<std::string> files;
    size_t failed;  // index of the failing file
    double seconds;
  } cases[] = {
      {{dir_.File("missing-beep1.wav"), greeting_, beep2_}, 0, 0.0},  // an empty greeting
      {{beep1_, dir_.File("missing.wav"), beep2_}, 1, 0.1},
      {{beep1_, dir_.File("greeting.ogg"), beep2_}, 1, 0.1},
  };
  for (const auto& c : cases) {
    const GreetingBuild build = BuildGreetingMemFile({U16(c.files[0]), U16(c.files[1]), U16(c.files[2])});
    EXPECT_EQ(build.failedFile, U16(c.files[c.failed]));
    EXPECT_NEAR(static_cast<double>(Frames(build)), c.seconds * 44100, 64);
    uint32_t size = 0;
    EXPECT_EQ(build.memFile->GetFormat(nullptr, &size), 18);  // the format is set even when empty
  }
}

TEST_F(GreetingMemoryTest, AGreetingThatFailsPartWayLeavesNothingOfItself) {
  // An MP3 whose sample rate changes in the middle: its first half decodes, the second fails.
  const std::string first = dir_.File("first.mp3"), second = dir_.File("second.mp3");
  const std::string greeting = dir_.File("greeting.mp3");
  ASSERT_EQ(RunCommand("sox -n -r 44100 -c 1 " + Quote(first) + " synth 0.5 sine 440"), 0);
  ASSERT_EQ(RunCommand("sox -n -r 22050 -c 1 " + Quote(second) + " synth 0.5 sine 440"), 0);
  ASSERT_EQ(RunCommand("cat " + Quote(first) + " " + Quote(second) + " > " + Quote(greeting)), 0);
  const GreetingBuild build = BuildGreetingMemFile({U16(beep1_), U16(greeting), U16(beep2_)});
  EXPECT_EQ(build.failedFile, U16(greeting));
  EXPECT_NEAR(static_cast<double>(Frames(build)), 0.1 * 44100, 64) << "beep1 alone";
}

TEST_F(GreetingMemoryTest, AFileLoadsAsAGreetingOnlyWhenItHoldsSound) {
  ASSERT_TRUE(WriteWav(dir_.File("silent.wav"), WaveUtilsMakePCMFormat(1, 16, 16000), ""));
  ASSERT_TRUE(WriteFileBytes(dir_.File("notes.wav"), "Notes, not a sound."));
  ASSERT_EQ(RunCommand("sox -n -r 44100 -c 1 " + Quote(dir_.File("tone.mp3")) + " synth 0.3 sine 440"), 0);
  ASSERT_TRUE(WriteFileBytes(dir_.File("tone-named.wav"), ReadFileBytes(dir_.File("tone.mp3"))));
  const std::pair<std::string, bool> cases[] = {
      {greeting_, true},           {dir_.File("tone.mp3"), true},       {dir_.File("silent.wav"), false},
      {dir_.File("notes.wav"), false}, {dir_.File("tone-named.wav"), false}, {dir_.File("missing.wav"), false},
      {"", false},
  };
  for (const auto& [file, loads] : cases) EXPECT_EQ(LoadsAsGreeting(U16(file)), loads) << file;
}

}  // namespace
