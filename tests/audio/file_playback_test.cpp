// File playback on the audio thread: the real thread on a clock the test can hold, the virtual
// sound device (whose speaker writes what it plays to a file the test reads), and the client's
// notices received by a window and by the thread of the test's own loop.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>

#include <gtest/gtest.h>

#include "audio/audio_driver.h"
#include "audio/wave_utils.h"
#include "foundation/settings.h"
#include "platform/message_loop.h"
#include "platform/text.h"
#include "platform/window.h"
#include "tests/audio/audio_test_support.h"
#include "tests/audio/held_clock.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace qav;
using qav::test::HeldClock;
using qav::test::TempDir;

constexpr double kSpeed = 10.0;
// The notice messages of the player under test, and of a second playback that shows every notice
// of the first has arrived.
constexpr uint32_t kPlayer = 0x400 + 230;
constexpr uint32_t kSettle = 0x400 + 231;
constexpr uint32_t kBoth = AUDIO_EVENT_PLAY_DONE | AUDIO_EVENT_BUFFER_PLAYED;

const WAVEFORMATEX kLive = WaveUtilsMakePCMFormat(1, 16, 16000);
constexpr int64_t kDataStart = kWaveHeaderSize;
constexpr int64_t kBlock = 1280;  // 40 ms of kLive

// Bytes that differ from block to block, so what the speaker played shows where it came from.
std::string Pattern(size_t bytes) {
  std::string s(bytes, '\0');
  for (size_t i = 0; i < bytes; ++i) s[i] = static_cast<char>((i * 7 + i / 1280 * 13) & 0xFF);
  return s;
}

struct Notice {
  uint32_t message;
  uint64_t event;
  int64_t position;
  bool toThread;
};

class FilePlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device_ = g_AudioPlaybackDeviceName.Get();
    g_AudioPlaybackDeviceName = u"";
    ASSERT_TRUE(window_.Create(loop_, "QAVTestPlayer", u"", WindowKind::kLocal, [this](Msg& m) {
      Record(m, false);
      return LResult{0};
    }));
    loop_.SetThreadMessageHandler([this](Msg& m) { Record(m, true); });
    ASSERT_EQ(driver_->Start(clock_), 1);
  }
  void TearDown() override {
    driver_.reset();
    g_AudioPlaybackDeviceName = device_;
  }

  void Record(const Msg& m, bool toThread) {
    if (m.message == kPlayer || m.message == kSettle) notices_.push_back({m.message, m.wParam, m.lParam, toThread});
  }

  // Serves the test's loop until `done` holds; false after 20 s of real time.
  bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      loop_.WaitForWork(static_cast<int>(left.count()));
      loop_.ProcessDue();
    }
    return true;
  }
  int Count(uint32_t message, uint64_t event) const {
    int n = 0;
    for (const Notice& x : notices_) n += x.message == message && x.event == event;
    return n;
  }
  std::vector<int64_t> Positions(uint32_t message = kPlayer) const {
    std::vector<int64_t> p;
    for (const Notice& x : notices_) {
      if (x.message == message && x.event == AUDIO_EVENT_BUFFER_PLAYED) p.push_back(x.position);
    }
    return p;
  }
  bool WaitForEnd(uint32_t message = kPlayer) {
    return WaitUntil([&] { return Count(message, AUDIO_EVENT_PLAY_DONE) > 0; });
  }
  bool WaitForPositions(size_t n) {
    return WaitUntil([&] { return Positions().size() >= n; });
  }
  // Plays a short file to its end under another message: the audio thread posts in order, so once
  // its end notice is here, every notice the playback before it could still post has arrived.
  void Settle(bool toThread = false) {
    const std::string path = dir_.File("settle.wav");
    ASSERT_TRUE(test::WriteWav(path, kLive, Pattern(2 * kBlock)));
    const int started = toThread ? driver_->PlayAudioFileStart(U16(path), loop_.threadId(), kSettle, AUDIO_EVENT_PLAY_DONE)
                                 : driver_->PlayAudioFileStart(U16(path), window_.handle(), kSettle, AUDIO_EVENT_PLAY_DONE);
    ASSERT_EQ(started, 1) << "the thread is idle again";
    clock_.Run();
    ASSERT_TRUE(WaitForEnd(kSettle));
    TakeSpeaker();
  }
  // What the virtual speaker has played since the last call.
  std::string TakeSpeaker() {
    const std::string played = test::ReadFileBytes(speakerFile_);
    ::unlink(speakerFile_.c_str());
    return played;
  }
  bool SpeakerWasOpened() const { return ::access(speakerFile_.c_str(), F_OK) == 0; }

  std::string Wav(const std::string& name, const std::string& data, const WAVEFORMATEX& format = kLive) {
    const std::string path = dir_.File(name);
    EXPECT_TRUE(test::WriteWav(path, format, data));
    return path;
  }
  // An MP3 of a 440 Hz tone, 16000 Hz mono at 64000 bit/s (frames of 288 bytes; 30 of them for
  // one second), made by lame.
  std::string Mp3(const std::string& name, double seconds = 1.0) {
    const std::string wav = Wav(name + ".wav", test::ToBytes(test::Tone(16000, 1, 440, seconds)));
    const std::string path = dir_.File(name);
    EXPECT_EQ(test::RunCommand("lame --quiet -t -b 64 --resample 16 " + test::Quote(wav) + " " + test::Quote(path)), 0);
    return path;
  }
  int Play(const std::string& path, uint32_t mask = kBoth) {
    return driver_->PlayAudioFileStart(U16(path), window_.handle(), kPlayer, mask);
  }
  // A request that does nothing, so that what the thread had queued before it has been handled.
  void RoundTrip() { EXPECT_EQ(driver_->RecordSkypeInsertBeep(), 0); }

  TempDir dir_;
  const std::string speakerFile_ = dir_.File("speaker.raw");
  test::ScopedEnv virtualSound_{"QAV_SOUND_DEVICE", "virtual"};
  test::ScopedEnv speaker_{"QAV_VIRTUAL_SPEAKER_FILE", speakerFile_};
  HeldClock clock_{kSpeed};
  MessageLoop loop_;
  Window window_;
  std::vector<Notice> notices_;
  std::unique_ptr<CAudioDriver> driver_ = std::make_unique<CAudioDriver>();
  std::u16string device_;
};

TEST_F(FilePlaybackTest, AWavPlaysEveryBlockInOrderThenEndsWithOneNotice) {
  struct Case {
    const char* name;
    WAVEFORMATEX format;
    size_t dataBytes;
    int64_t bytesPerRead;
    bool chunkAfterData;
  };
  const Case cases[] = {
      {"16 kHz mono, one second", kLive, 32000, 1280, false},
      {"8 kHz 8-bit, a chunk after the data", WaveUtilsMakePCMFormat(1, 8, 8000), 4000, 320, true},
      {"44.1 kHz stereo, cut inside a frame", WaveUtilsMakePCMFormat(2, 16, 44100), 3 * 7056 + 3, 7056, false},
      {"192 kHz stereo, whose 40 ms do not fit the read buffer", WaveUtilsMakePCMFormat(2, 16, 192000), 61440, 20000,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    notices_.clear();
    const std::string data = Pattern(c.dataBytes);
    const std::string path = Wav("file.wav", data, c.format);
    if (c.chunkAfterData) {
      const std::string chunk = std::string("LIST\x04\0\0\0INFO", 12);
      ASSERT_TRUE(test::WriteFileBytes(path, test::ReadFileBytes(path) + chunk));
    }
    ASSERT_EQ(Play(path), 1);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);

    const int64_t whole = int64_t(c.dataBytes) - int64_t(c.dataBytes) % c.format.nBlockAlign;
    std::vector<int64_t> expected;
    for (int64_t at = c.bytesPerRead; at - c.bytesPerRead < whole; at += c.bytesPerRead) {
      expected.push_back(kDataStart + std::min(at, whole));
    }
    EXPECT_EQ(Positions(), expected) << "a notice for every block, with the position after it";
    ASSERT_FALSE(notices_.empty());
    EXPECT_EQ(notices_.back().event, AUDIO_EVENT_PLAY_DONE) << "the end notice comes after the last block has played";
    EXPECT_EQ(notices_.back().position, 0);
    EXPECT_FALSE(notices_.back().toThread);
    EXPECT_TRUE(TakeSpeaker() == data.substr(0, size_t(whole))) << "every whole frame of the data, in order, once";
    Settle();
    EXPECT_EQ(Count(kPlayer, AUDIO_EVENT_PLAY_DONE), 1) << "exactly one end notice";
  }
}

TEST_F(FilePlaybackTest, NoticesGoToTheClientOnlyAsTheMaskAsks) {
  struct Case {
    uint32_t mask;
    bool toThread;
  };
  const Case cases[] = {{AUDIO_EVENT_PLAY_DONE, false},
                        {AUDIO_EVENT_BUFFER_PLAYED, false},
                        {kBoth, true},
                        {AUDIO_EVENT_PLAY_DONE, true}};
  const std::string path = Wav("five.wav", Pattern(5 * kBlock));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mask " << c.mask << (c.toThread ? " to the thread" : " to the window"));
    notices_.clear();
    ASSERT_EQ(c.toThread ? driver_->PlayAudioFileStart(U16(path), loop_.threadId(), kPlayer, c.mask)
                         : driver_->PlayAudioFileStart(U16(path), window_.handle(), kPlayer, c.mask),
              1);
    if (c.mask & AUDIO_EVENT_PLAY_DONE) {
      ASSERT_TRUE(WaitForEnd());
    } else {
      // The end comes with the last block's notice, in the same step.
      ASSERT_TRUE(WaitUntil([&] { return !Positions().empty() && Positions().back() == kDataStart + 5 * kBlock; }));
    }
    Settle(c.toThread);
    EXPECT_EQ(Count(kPlayer, AUDIO_EVENT_PLAY_DONE), (c.mask & AUDIO_EVENT_PLAY_DONE) ? 1 : 0);
    EXPECT_EQ(Positions().size(), (c.mask & AUDIO_EVENT_BUFFER_PLAYED) ? 5u : 0u);
    for (const Notice& n : notices_) EXPECT_EQ(n.toThread, c.toThread);
  }
}

TEST_F(FilePlaybackTest, StopEndsPlaybackWithoutANotice) {
  EXPECT_EQ(driver_->PlayAudioFileStop(), 0) << "nothing is playing";
  const std::string data = Pattern(25 * kBlock);
  const std::string path = Wav("long.wav", data);
  const int64_t start = clock_.Hold();
  ASSERT_EQ(Play(path), 1);
  // The first blocks are on the device before the clock runs: queued once it stands, they would
  // never play.
  RoundTrip();
  RoundTrip();
  clock_.RunUntil(start + 2 * 40 + 20);
  ASSERT_TRUE(WaitForPositions(2));
  ASSERT_EQ(driver_->PlayAudioFileStop(), 1);
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);
  EXPECT_EQ(driver_->PlayAudioFileStop(), 0);
  EXPECT_TRUE(TakeSpeaker() == data.substr(0, 2 * kBlock)) << "the device stopped at once";
  Settle();
  EXPECT_EQ(Count(kPlayer, AUDIO_EVENT_PLAY_DONE), 0);
  EXPECT_EQ(Positions(), (std::vector<int64_t>{kDataStart + kBlock, kDataStart + 2 * kBlock}));
}

TEST_F(FilePlaybackTest, ASeekSetWhileIdleAppliesToTheNextStartOnce) {
  for (double refused : {-0.01, 1.01, std::nan("")}) EXPECT_EQ(driver_->PlayAudioFileSetOffset(refused), 0) << refused;
  const std::string data = Pattern(25 * kBlock);
  const std::string path = Wav("second.wav", data);
  ASSERT_EQ(driver_->PlayAudioFileSetOffset(0.5), 1);
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);
  // A start that fails (the file is not there) leaves the seek for the next one.
  EXPECT_EQ(Play(dir_.File("missing.wav")), 0);
  ASSERT_EQ(Play(path), 1);
  ASSERT_TRUE(WaitForEnd());
  // Half of the data, on a sample frame: 16000 bytes.
  ASSERT_FALSE(Positions().empty());
  EXPECT_EQ(Positions().front(), kDataStart + 16000 + kBlock);
  EXPECT_EQ(Positions().back(), kDataStart + 32000);
  EXPECT_TRUE(TakeSpeaker() == data.substr(16000));

  notices_.clear();
  ASSERT_EQ(Play(path), 1);
  ASSERT_TRUE(WaitForEnd());
  EXPECT_EQ(Positions().size(), 25u) << "the seek was used up";
  EXPECT_TRUE(TakeSpeaker() == data);
}

TEST_F(FilePlaybackTest, ASeekWhilePlayingTakesTheNextBlockFromThere) {
  struct Case {
    double fraction;
    int64_t from;  // where the blocks after the four in flight start
  };
  const std::string data = Pattern(25 * kBlock);
  const std::string path = Wav("seek.wav", data);
  for (const Case& c : {Case{0.75, 24000}, Case{1.0, 32000}, Case{0.0, 0}}) {
    SCOPED_TRACE(c.fraction);
    notices_.clear();
    clock_.Hold();
    ASSERT_EQ(Play(path), 1);  // four blocks are queued, none has played
    ASSERT_EQ(driver_->PlayAudioFileSetOffset(c.fraction), 1);
    EXPECT_EQ(driver_->GetState(), AudioDriverState::kPlayingFile);
    clock_.Run();
    ASSERT_TRUE(WaitForEnd());
    std::vector<int64_t> expected = {kDataStart + kBlock, kDataStart + 2 * kBlock, kDataStart + 3 * kBlock,
                                     kDataStart + 4 * kBlock};
    for (int64_t at = c.from + kBlock; at - kBlock < 32000; at += kBlock) expected.push_back(kDataStart + std::min<int64_t>(at, 32000));
    EXPECT_EQ(Positions(), expected);
    EXPECT_TRUE(TakeSpeaker() == data.substr(0, 4 * kBlock) + data.substr(size_t(c.from)));
    Settle();
    EXPECT_EQ(Count(kPlayer, AUDIO_EVENT_PLAY_DONE), 1);
  }
}

TEST_F(FilePlaybackTest, ASeekAfterTheFileWasReadToTheEndPlaysItAgainFromThere) {
  // Without this, a seek in the last blocks was accepted and then did nothing: playback ended.
  // Files shorter than the four blocks in flight are read to the end while the clock stands.
  const std::string wav = Wav("three.wav", Pattern(3 * kBlock));
  const std::string mp3 = Mp3("short.mp3", 0.02);
  for (const std::string& path : {wav, mp3}) {
    SCOPED_TRACE(path);
    notices_.clear();
    ASSERT_EQ(Play(path), 1);
    ASSERT_TRUE(WaitForEnd());
    const std::string once = TakeSpeaker();
    ASSERT_FALSE(once.empty());

    notices_.clear();
    clock_.Hold();
    ASSERT_EQ(Play(path), 1);
    RoundTrip();
    ASSERT_EQ(driver_->GetState(), AudioDriverState::kPlayingFileLastBlocks) << "read to the end, blocks in flight";
    ASSERT_EQ(driver_->PlayAudioFileSetOffset(0.0), 1);
    EXPECT_EQ(driver_->GetState(), AudioDriverState::kPlayingFile);
    clock_.Run();
    ASSERT_TRUE(WaitForEnd());
    const std::vector<int64_t> p = Positions();
    size_t restarts = 0;
    for (size_t i = 1; i < p.size(); ++i) restarts += p[i] < p[i - 1];
    EXPECT_EQ(restarts, 1u) << "the positions go back to the start once";
    EXPECT_TRUE(TakeSpeaker() == once + once) << "the whole file again (an MP3 with a new decoder)";
    Settle();
    EXPECT_EQ(Count(kPlayer, AUDIO_EVENT_PLAY_DONE), 1);
  }
}

TEST_F(FilePlaybackTest, AFileWithNothingToPlayEndsAtOnce) {
  // The clock stands throughout: the end cannot wait for a block to come back.
  struct Case {
    const char* name;
    std::function<std::string()> file;
    double pendingSeek;
  };
  const Case cases[] = {
      {"a seek of 1.0 in a wav", [&] { return Wav("full.wav", Pattern(10 * kBlock)); }, 1.0},
      {"a seek of 1.0 in an mp3", [&] { return Mp3("full.mp3"); }, 1.0},
      {"a wav without data", [&] { return Wav("empty.wav", ""); }, 0},
      {"an empty .wav file",
       [&] {
         test::WriteFileBytes(dir_.File("zero.wav"), "");
         return dir_.File("zero.wav");
       },
       0},
      {"an empty .mp3 file",
       [&] {
         test::WriteFileBytes(dir_.File("zero.mp3"), "");
         return dir_.File("zero.mp3");
       },
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    notices_.clear();
    const std::string path = c.file();
    clock_.Hold();
    if (c.pendingSeek > 0) {
      ASSERT_EQ(driver_->PlayAudioFileSetOffset(c.pendingSeek), 1);
    }
    ASSERT_EQ(Play(path), 1);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);
    EXPECT_TRUE(Positions().empty());
    EXPECT_TRUE(TakeSpeaker().empty());
    Settle();
    EXPECT_EQ(Count(kPlayer, AUDIO_EVENT_PLAY_DONE), 1);
  }
}

TEST_F(FilePlaybackTest, AnMp3PlaysFrameByFrameAsMpg123DecodesIt) {
  const std::string path = Mp3("tone.mp3");
  const int64_t size = int64_t(test::ReadFileBytes(path).size());
  ASSERT_EQ(size, 30 * 288) << "the file the test expects from lame";
  const std::string decoded = dir_.File("decoded.wav");
  ASSERT_EQ(test::RunCommand("mpg123 -q -w " + test::Quote(decoded) + " " + test::Quote(path)), 0);
  WAVEFORMATEX format{};
  std::string reference;
  ASSERT_TRUE(test::ReadWav(decoded, &format, &reference));
  ASSERT_EQ(format.nSamplesPerSec, 16000u);

  ASSERT_EQ(Play(path), 1);
  ASSERT_TRUE(WaitForEnd());
  const std::vector<int64_t> p = Positions();
  ASSERT_GE(p.size(), 28u);
  for (size_t i = 0; i < p.size(); ++i) {
    EXPECT_EQ(p[i] % 288, 0) << "on a frame: notice " << i;
    if (i > 0) {
      EXPECT_GE(p[i], p[i - 1]);
    }
  }
  EXPECT_EQ(p.back(), size) << "the decoder's last samples come after the last frame";
  const std::vector<int16_t> played = test::ToSamples(TakeSpeaker());
  EXPECT_NEAR(double(played.size()), double(reference.size() / 2), 576) << "every frame played";
  EXPECT_NEAR(test::MeasuredFrequency(played, 16000, 2000, 12000), 440, 2);

  // Half way: the frame at or after the middle of the data.
  notices_.clear();
  ASSERT_EQ(driver_->PlayAudioFileSetOffset(0.5), 1);
  ASSERT_EQ(Play(path), 1);
  ASSERT_TRUE(WaitForEnd());
  ASSERT_FALSE(Positions().empty());
  EXPECT_GE(Positions().front(), size / 2 + 288);
  EXPECT_LE(Positions().front(), size / 2 + 3 * 288);
  EXPECT_NEAR(double(TakeSpeaker().size() / 2), double(reference.size() / 4), 2 * 576);
}

TEST_F(FilePlaybackTest, RefusedAndFailedStartsLeaveTheThreadIdleWithNothingOpen) {
  const std::string good = Wav("good.wav", Pattern(10 * kBlock));
  WAVEFORMATEX floatFormat = kLive;
  floatFormat.wFormatTag = 3;
  WAVEFORMATEX badAlign = kLive;
  badAlign.nBlockAlign = 3;
  struct Case {
    const char* name;
    std::function<std::string()> file;
  };
  const Case cases[] = {
      {"an empty path", [] { return std::string(); }},
      {"neither wav nor mp3", [&] { return Wav("a.ogg", Pattern(kBlock)); }},
      {"a file that is not there", [&] { return dir_.File("missing.wav"); }},
      {"a .wav that is not a wav",
       [&] {
         test::WriteFileBytes(dir_.File("junk.wav"), "RIFX" + Pattern(200));
         return dir_.File("junk.wav");
       }},
      {"a wav that is not PCM", [&] { return Wav("float.wav", Pattern(kBlock), floatFormat); }},
      {"a PCM format that does not add up", [&] { return Wav("align.wav", Pattern(kBlock), badAlign); }},
      {"a format the device cannot play",
       [&] { return Wav("24bit.wav", Pattern(3 * 1000), WaveUtilsMakePCMFormat(1, 24, 8000)); }},
      {"an .mp3 without frames",
       [&] {
         test::WriteFileBytes(dir_.File("junk.mp3"), std::string(4000, 'x'));
         return dir_.File("junk.mp3");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    notices_.clear();
    const std::string path = c.file();
    EXPECT_EQ(Play(path), 0);
    EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);
    EXPECT_FALSE(SpeakerWasOpened()) << "the device is never opened";
    // Nothing is left behind: the next file plays to its end, and the failure posted nothing.
    ASSERT_EQ(Play(good), 1);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Count(kPlayer, AUDIO_EVENT_PLAY_DONE), 1);
    TakeSpeaker();
  }

  // Refused while playing, and nothing changes.
  notices_.clear();
  clock_.Hold();
  ASSERT_EQ(Play(good), 1);
  EXPECT_EQ(Play(good), 0);
  EXPECT_EQ(driver_->RecAudioFileStart(U16(dir_.File("greeting.wav"))), 0);
  EXPECT_EQ(driver_->RecAudioFileStop(), 0);
  RoundTrip();
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kPlayingFile);
  clock_.Run();
  ASSERT_TRUE(WaitForEnd());
  EXPECT_EQ(Positions().size(), 10u);
  EXPECT_NE(::access(dir_.File("greeting.wav").c_str(), F_OK), 0) << "the refused recording made no file";
}

TEST_F(FilePlaybackTest, DestructionEndsPlaybackAsAnEndWouldAndLaterRequestsReturnZero) {
  clock_.Hold();
  ASSERT_EQ(Play(Wav("long.wav", Pattern(25 * kBlock))), 1);
  driver_.reset();
  ASSERT_TRUE(WaitForEnd()) << "a client still there learns that playback has ended";
  EXPECT_EQ(Count(kPlayer, AUDIO_EVENT_PLAY_DONE), 1);
  CAudioDriver gone;
  EXPECT_EQ(gone.PlayAudioFileSetOffset(0.5), 0);
  EXPECT_EQ(gone.PlayAudioFileStop(), 0);
}

}  // namespace
