// Recording a greeting from the microphone: the real audio thread, the virtual microphone playing a
// tone on a clock the test can hold, and the files read back by sox, mpg123 and the program's own
// readers.
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>

#include <gtest/gtest.h>

#include "audio/audio_driver.h"
#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/mpeg_utils.h"
#include "audio/wave_utils.h"
#include "foundation/settings.h"
#include "platform/sound/virtual_wave_device.h"
#include "platform/text.h"
#include "tests/audio/audio_test_support.h"
#include "tests/audio/held_clock.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace qav;
using qav::test::HeldClock;
using qav::test::Quote;
using qav::test::RunCommand;

// Slow enough that the buffers the thread gives back to the microphone are mostly there in time
// even on a busy machine: the virtual microphone loses what it makes while it has no buffer, as a
// sound card does, and the tests take what it lost off what it made (FramesCaptured).
constexpr double kSpeed = 2.0;
constexpr int kToneHz = 1000;

int64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// Waits until the file holds at least `size` bytes, woken by every write to it; false after 20 s.
bool WaitForFileSize(const std::string& path, int64_t size) {
  FdCloser watch(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
  if (watch.get() < 0 || ::inotify_add_watch(watch.get(), path.c_str(), IN_MODIFY) < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (FileSize(path) < size) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{watch.get(), POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) > 0) {
      char events[4096];
      while (::read(watch.get(), events, sizeof events) > 0) {
      }
    }
  }
  return true;
}

// The sample frames the microphone captured from the clock's `start` to its `stop`: every frame it
// made, less those it lost for want of a buffer since `lostBefore` (VirtualMicrophoneFramesLost()
// at the start). On a busy machine the audio thread can be held off longer than its queued buffers
// last, and the microphone then loses frames as a sound card does; what it did capture must all be
// in the file, its end too.
int64_t FramesCaptured(int64_t start, int64_t stop, uint32_t rate, uint64_t lostBefore) {
  return (stop - start) * rate / 1000 - static_cast<int64_t>(VirtualMicrophoneFramesLost() - lostBefore);
}

std::string Soxi(const std::string& option, const std::string& path) {
  const std::string out = path + ".soxi";
  if (RunCommand("soxi " + option + " " + Quote(path) + " > " + Quote(out)) != 0) return "";
  std::string s = test::ReadFileBytes(out);
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

class GreetingRecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    quality_ = g_AudioFileRecordingQuality.Get();
    device_ = g_AudioRecordingDeviceName.Get();
    g_AudioRecordingDeviceName = u"";
    ASSERT_EQ(driver_->Start(clock_), 1);
  }
  void TearDown() override {
    driver_.reset();
    g_AudioFileRecordingQuality = quality_;
    g_AudioRecordingDeviceName = device_;
  }

  test::TempDir dir_;
  test::ScopedEnv virtualSound_{"QAV_SOUND_DEVICE", "virtual"};
  test::ScopedEnv tone_{"QAV_VIRTUAL_MIC_TONE", std::to_string(kToneHz)};
  HeldClock clock_{kSpeed};
  std::unique_ptr<CAudioDriver> driver_ = std::make_unique<CAudioDriver>();
  int quality_ = 1;
  std::u16string device_;
};

TEST_F(GreetingRecordingTest, AWavGreetingIsTheMicrophoneInTheFormatOfTheQualityWithItsFinalHeader) {
  struct Case {
    int quality;
    uint32_t rate;
    uint16_t bits;
  };
  const std::string path = dir_.File("TempNewGreeting.wav");
  for (const Case& c : {Case{0, 44100, 16}, Case{1, 16000, 16}, Case{2, 8000, 8}}) {
    SCOPED_TRACE(testing::Message() << "quality " << c.quality);
    g_AudioFileRecordingQuality = c.quality;
    // A greeting recorded before, longer than this one: the new recording replaces it.
    ASSERT_TRUE(test::WriteWav(path, WaveUtilsMakePCMFormat(1, 16, 44100), std::string(400000, '\x11')));
    // The clock stands at the start and again at the stop, so the test knows to the sample what
    // the microphone made in between.
    const uint64_t lostBefore = VirtualMicrophoneFramesLost();
    const int64_t start = clock_.Hold();
    ASSERT_EQ(driver_->RecAudioFileStart(U16(path)), 1);
    EXPECT_EQ(driver_->GetState(), AudioDriverState::kRecordingMicrophone);
    clock_.Run();
    const int64_t frameBytes = c.bits / 8;
    ASSERT_TRUE(WaitForFileSize(path, kWaveHeaderSize + int64_t(c.rate) * frameBytes / 2));
    const int64_t stop = clock_.Hold();
    ASSERT_EQ(driver_->RecAudioFileStop(), 1);
    EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);
    const int64_t frames = FramesCaptured(start, stop, c.rate, lostBefore);
    const int64_t recorded = frames * frameBytes;  // every sample the microphone captured

    EXPECT_EQ(FileSize(path), int64_t(kWaveHeaderSize) + recorded) << "nothing of the old file is left";
    WAVEFORMATEX format{};
    std::string data;
    ASSERT_TRUE(test::ReadWav(path, &format, &data));
    EXPECT_EQ(format.nSamplesPerSec, c.rate);
    EXPECT_EQ(format.wBitsPerSample, c.bits);
    EXPECT_EQ(format.nChannels, 1);
    EXPECT_EQ(int64_t(data.size()), recorded) << "the header holds the final size";
    EXPECT_EQ(Soxi("-r", path), std::to_string(c.rate));
    EXPECT_EQ(Soxi("-b", path), std::to_string(c.bits));
    EXPECT_EQ(Soxi("-c", path), "1");
    EXPECT_EQ(Soxi("-s", path), std::to_string(frames)) << "sox reads the whole recording";
    std::vector<int16_t> samples;
    if (c.bits == 8) {
      for (unsigned char b : data) samples.push_back(static_cast<int16_t>((b - 128) << 8));
    } else {
      samples = test::ToSamples(data);
    }
    EXPECT_NEAR(test::MeasuredFrequency(samples, int(c.rate)), kToneHz, 2);
    EXPECT_NEAR(test::Rms(samples), 0.5 * 32767 / std::sqrt(2.0), 400);
    clock_.Run();
  }
}

TEST_F(GreetingRecordingTest, AnMp3GreetingIsEncodedAt44100HzWithTheBitRateOfTheQualityAndDecodedByMpg123) {
  struct Case {
    int quality;
    int bitRate;
  };
  for (const Case& c : {Case{0, 256000}, Case{1, 96000}, Case{2, 32000}}) {
    SCOPED_TRACE(testing::Message() << "quality " << c.quality);
    g_AudioFileRecordingQuality = c.quality;
    const std::string path = dir_.File("greeting" + std::to_string(c.quality) + ".mp3");
    const uint64_t lostBefore = VirtualMicrophoneFramesLost();
    const int64_t start = clock_.Hold();
    ASSERT_EQ(driver_->RecAudioFileStart(U16(path)), 1);
    clock_.Run();
    const int64_t frame = 144 * c.bitRate / 44100;
    ASSERT_TRUE(WaitForFileSize(path, 512 + 30 * frame));
    const int64_t stop = clock_.Hold();
    ASSERT_EQ(driver_->RecAudioFileStop(), 1);
    EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);
    const auto recorded = size_t(FramesCaptured(start, stop, 44100, lostBefore));

    FdCloser fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    MPEGLAYER3WAVEFORMAT format{};
    uint32_t offset = 0, length = 0;
    ASSERT_EQ(MPEGUtilsReadAudioFileHeaderFormat(fd.get(), &format, kMpegLayer3WaveFormatSize, &offset, &length), 1);
    EXPECT_EQ(format.wfx.nSamplesPerSec, 44100u);
    EXPECT_EQ(format.wfx.nChannels, 1);
    EXPECT_EQ(int(format.wfx.nAvgBytesPerSec * 8), c.bitRate);
    EXPECT_EQ(offset, 512u) << "after the tag";
    EXPECT_NE(test::ReadFileBytes(path).find(U8(qav::kGreetingRecordingTitle)), std::string::npos);

    const std::string decoded = path + ".wav";
    ASSERT_EQ(RunCommand("mpg123 -q -w " + Quote(decoded) + " " + Quote(path)), 0);
    WAVEFORMATEX pcm{};
    std::string data;
    ASSERT_TRUE(test::ReadWav(decoded, &pcm, &data));
    EXPECT_EQ(pcm.nSamplesPerSec, 44100u);
    EXPECT_EQ(pcm.nChannels, 1);
    const std::vector<int16_t> samples = test::ToSamples(data);
    // The encoder puts 576 samples of its own ahead of the audio, and the file has no gapless tag
    // that would have mpg123 take them off again.
    EXPECT_GE(samples.size(), recorded + 576)
        << "the microphone's last blocks and the encoder's last frames are in the file";
    EXPECT_LE(samples.size(), recorded + 3 * 1152) << "and no more than its delay besides";
    EXPECT_NEAR(test::MeasuredFrequency(samples, 44100, 4000, 20000), kToneHz, 3);
    clock_.Run();
  }
}

TEST_F(GreetingRecordingTest, RefusedAndFailedStartsLeaveTheThreadIdleAndNoFileBehind) {
  EXPECT_EQ(driver_->RecAudioFileStop(), 0) << "nothing is being recorded";
  struct Case {
    const char* name;
    std::string file;
    int quality;
    bool withoutEncoder;
  };
  const Case cases[] = {
      {"an empty path", "", 1, false},
      {"neither wav nor mp3", "greeting.ogg", 1, false},
      {"a quality above 2, wav", "greeting.wav", 3, false},
      {"a quality below 0, mp3", "greeting.mp3", -1, false},
      {"a folder that is not there", "none/greeting.wav", 1, false},
      {"an mp3 without the encoder library", "greeting.mp3", 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = c.file.empty() ? "" : dir_.File(c.file);
    g_AudioFileRecordingQuality = c.quality;
    {
      test::ScopedEnv lame("QAV_LAME_LIBRARY", c.withoutEncoder ? std::optional<std::string>(dir_.File("none.so"))
                                                                 : std::nullopt);
      EXPECT_EQ(driver_->RecAudioFileStart(U16(path)), 0);
    }
    g_AudioFileRecordingQuality = 1;
    EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);
    if (!path.empty()) {
      EXPECT_EQ(FileSize(path), -1) << "no file is left";
    }
    // Nothing else is left behind either: the next recording works.
    const std::string good = dir_.File("good.wav");
    ASSERT_EQ(driver_->RecAudioFileStart(U16(good)), 1);
    ASSERT_EQ(driver_->RecAudioFileStop(), 1);
    EXPECT_GE(FileSize(good), int64_t(kWaveHeaderSize));
  }

  // Refused while recording, and the recording goes on.
  const std::string path = dir_.File("busy.wav");
  ASSERT_EQ(driver_->RecAudioFileStart(U16(path)), 1);
  EXPECT_EQ(driver_->RecAudioFileStart(U16(dir_.File("other.wav"))), 0);
  EXPECT_EQ(driver_->PlayAudioFileStart(U16(path), qav::Hwnd{0}, 0, 0), 0);
  EXPECT_EQ(driver_->PlayAudioFileSetOffset(0.5), 0);
  EXPECT_EQ(driver_->PlayAudioFileStop(), 0);
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kRecordingMicrophone);
  EXPECT_EQ(FileSize(dir_.File("other.wav")), -1);
  ASSERT_EQ(driver_->RecAudioFileStop(), 1);
}

TEST_F(GreetingRecordingTest, DestructionFinishesTheRecordingAsItsStopWould) {
  const std::string path = dir_.File("greeting.wav");
  const uint64_t lostBefore = VirtualMicrophoneFramesLost();
  const int64_t start = clock_.Hold();
  ASSERT_EQ(driver_->RecAudioFileStart(U16(path)), 1);
  clock_.Run();
  ASSERT_TRUE(WaitForFileSize(path, kWaveHeaderSize + 6400));
  const int64_t stop = clock_.Hold();
  driver_.reset();
  WAVEFORMATEX format{};
  std::string data;
  ASSERT_TRUE(test::ReadWav(path, &format, &data));
  EXPECT_EQ(int64_t(data.size()), FramesCaptured(start, stop, 16000, lostBefore) * 2)
      << "the header holds what was recorded";
}

}  // namespace
