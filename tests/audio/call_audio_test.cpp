// The audio thread's call audio from end to end: the real audio thread on a scaled clock, the
// simulated call client's audio peer on real sockets, the virtual sound device, and the recordings
// read back by the program's reader and by sox and mpg123.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <csignal>

#include <chrono>
#include <condition_variable>
#include <cmath>
#include <algorithm>
#include <functional>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "audio/audio_driver.h"
#include "audio/beep_generator.h"
#include "audio/conversation_ring.h"
#include "audio/wave_mem_file.h"
#include "audio/wave_utils.h"
#include "foundation/settings.h"
#include "platform/clock.h"
#include "platform/message_loop.h"
#include "platform/sound/sound_devices.h"
#include "platform/text.h"
#include "sim/call_audio_peer.h"
#include "sim/call_audio_peers.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/log_capture.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace qav;
using qav::test::ReadWav;
using qav::test::TempDir;

// The call audio runs this many times faster than real time where its pace is not what is tested.
constexpr double kSpeed = 8.0;
constexpr size_t kBlockSamples = 640;  // 40 ms at 16000 Hz

const WAVEFORMATEX kLive = WaveUtilsMakePCMFormat(1, 16, 16000);

// Waits, in real time with a bound, for something the audio thread does by itself.
bool Eventually(const std::function<bool()>& done, int timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

int64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// A caller whose every 40 ms block holds one value, (block + 1) x 8, so a recording shows which
// blocks of the caller's voice it holds.
std::vector<int16_t> NumberedBlocks(size_t blocks) {
  std::vector<int16_t> s(blocks * kBlockSamples);
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>((i / kBlockSamples + 1) * 8);
  return s;
}

std::shared_ptr<CWaveMemFile> Greeting(const WAVEFORMATEX& format, const std::vector<int16_t>& samples) {
  auto greeting = std::make_shared<CWaveMemFile>();
  EXPECT_EQ(greeting->SetFormat(&format), 1);
  if (!samples.empty()) greeting->GetFile()->Write(samples.data(), samples.size() * 2);
  greeting->GetFile()->SeekToBegin();
  return greeting;
}

uint32_t Le32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + size_t(i)]);
  return v;
}

// A folder whose disk is full after `bytes`: a tmpfs of that size when this process may mount one
// (root), else a limit on the size of any file this process writes.
class SmallDisk {
 public:
  SmallDisk(const std::string& folder, size_t bytes) : folder_(folder) {
    ::mkdir(folder.c_str(), 0700);
    const std::string options = "size=" + std::to_string(bytes);
    mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted_) {
      ::getrlimit(RLIMIT_FSIZE, &saved_);
      rlimit limited = saved_;
      limited.rlim_cur = bytes;
      previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
      ::setrlimit(RLIMIT_FSIZE, &limited);
    }
  }
  ~SmallDisk() {
    if (mounted_) {
      ::umount2(folder_.c_str(), MNT_DETACH);
    } else {
      ::setrlimit(RLIMIT_FSIZE, &saved_);
      std::signal(SIGXFSZ, previousHandler_);
    }
  }
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
  rlimit saved_{};
  void (*previousHandler_)(int) = SIG_DFL;
};

size_t CountLines(const test::LogCapture& log, std::u16string_view part) {
  size_t n = 0;
  for (const auto& line : log.Lines()) n += line.message.find(part) != std::u16string::npos ? 1 : 0;
  return n;
}

class CallAudioTest : public ::testing::Test {
 protected:
  explicit CallAudioTest(double speed = kSpeed) : speed_(speed), clock_(speed) {}
  void SetUp() override {
    quality_ = g_AudioFileRecordingQuality.Get();
    stereo_ = g_ConversationAudioFileModeStereo.Get();
    g_AudioFileRecordingQuality = 1;
    g_ConversationAudioFileModeStereo = 1;
    ASSERT_EQ(driver_->Start(clock_), 1);
  }
  void TearDown() override {
    driver_.reset();
    g_AudioFileRecordingQuality = quality_;
    g_ConversationAudioFileModeStereo = stereo_;
  }

  std::unique_ptr<sim::CallAudioPeer> Peer(const std::vector<int16_t>& caller, bool hangUp, std::string record = "") {
    sim::CallAudioPeerOptions options;
    if (!caller.empty()) {
      options.callerWavPath = dir_.File("caller.wav");
      EXPECT_TRUE(test::WriteWav(options.callerWavPath, kLive, test::ToBytes(caller)));
    }
    options.recordPath = std::move(record);
    options.speed = speed_;
    options.hangUpAfterCaller = hangUp;
    std::string error;
    auto peer = sim::CallAudioPeer::Create(options, &error);
    EXPECT_NE(peer, nullptr) << error;
    return peer;
  }

  std::u16string Path(const std::string& name) { return U16(dir_.File(name)); }

  TempDir dir_;
  test::ScopedEnv virtualSound_{"QAV_SOUND_DEVICE", "virtual"};
  double speed_;
  ScaledClock clock_;
  std::unique_ptr<CAudioDriver> driver_ = std::make_unique<CAudioDriver>();
  int quality_ = 1;
  int stereo_ = 1;
};

// The call audio in real time, where a test measures where in the caller's voice the program's
// timing put something: the sender's pace makes up at most a fifth of a second of lost time, and
// sped up eight times that is a scheduling hiccup on a busy machine.
class RealTimeCallAudioTest : public CallAudioTest {
 protected:
  RealTimeCallAudioTest() : CallAudioTest(1.0) {}
};

TEST_F(CallAudioTest, AVoiceMessageBeingRecordedSaysInItsHeaderHowMuchItHolds) {
  // Four seconds of the caller, then the caller's side ends; the file looked at before the stop,
  // as a killed process would leave it.
  auto peer = Peer(NumberedBlocks(100), true);
  const std::string path = dir_.File("lastvoicemsg.wav");
  int inPort = 0, outPort = 0;
  ASSERT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, Greeting(kLive, {}), U16(path), 0), 1);
  ASSERT_TRUE(peer->ConnectOutput(inPort));
  ASSERT_TRUE(peer->ConnectInput(outPort));
  ASSERT_TRUE(peer->WaitCallerSent(20000));
  // Until the file has stopped growing (the caller's side has ended and its last block is in).
  int64_t last = -1;
  ASSERT_TRUE(Eventually([&] {
    const int64_t now = FileSize(path);
    const bool settled = now >= int64_t(kWaveHeaderSize) + 90 * 1280 && now == last;
    last = now;
    if (!settled) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return settled;
  }));
  const std::string bytes = test::ReadFileBytes(path);
  const uint32_t data = uint32_t(bytes.size() - kWaveHeaderSize);
  const uint32_t said = Le32(bytes, 42);
  EXPECT_GT(said, 0u);
  EXPECT_LE(said, data);
  EXPECT_GE(said + 32000, data) << "at most a second of audio behind";
  EXPECT_EQ(Le32(bytes, 4), said + 38) << "the RIFF size goes with it";
  int seconds = 0;
  EXPECT_EQ(driver_->RecordSkypeMsgStop(&seconds), 1);
  peer->Stop();
}

TEST_F(CallAudioTest, ADiskThatFillsKeepsWhatWasRecordedWithAMatchingHeaderAndSaysSoOnce) {
  auto peer = Peer(NumberedBlocks(100), false);  // 4 s: 128000 bytes, twice what the disk takes
  test::LogCapture log;
  const std::string folder = dir_.File("small");
  {
    SmallDisk disk(folder, 64 * 1024);
    const std::string path = folder + "/lastvoicemsg.wav";
    int inPort = 0, outPort = 0;
    ASSERT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, Greeting(kLive, {}), U16(path), 0), 1);
    ASSERT_TRUE(peer->ConnectOutput(inPort));
    ASSERT_TRUE(peer->ConnectInput(outPort));
    ASSERT_TRUE(peer->WaitCallerSent(20000));
    ASSERT_TRUE(Eventually([&] { return CountLines(log, u"cannot be written") > 0; })) << test::LogText(log);
    ASSERT_TRUE(peer->WaitReceived(100 * 1280, 20000)) << "the call's input goes on";
    int seconds = 0;
    EXPECT_EQ(driver_->RecordSkypeMsgStop(&seconds), 1) << "what was recorded is kept";
    peer->Stop();

    WAVEFORMATEX format{};
    std::string data;
    ASSERT_TRUE(ReadWav(path, &format, &data));
    EXPECT_EQ(FileSize(path), int64_t(kWaveHeaderSize + data.size())) << "the header matches the file";
    EXPECT_GE(data.size(), 32000u);
    EXPECT_EQ(data.size() % 1280, 0u) << "whole blocks only";
    EXPECT_EQ(seconds, int((data.size() + 31999) / 32000));
    EXPECT_EQ(test::RunCommand("test \"$(soxi -s " + test::Quote(path) + ")\" = " + std::to_string(data.size() / 2)),
              0);
    EXPECT_EQ(CountLines(log, u"CAudioDriver [ERROR write to file from Skype Audio]"), 1u);
    EXPECT_EQ(CountLines(log, u"cannot be written"), 1u);

    // The next call finds the disk still full: its start fails and leaves no empty file behind.
    const std::string next = folder + "/next.wav";
    int in2 = 0, out2 = 0;
    EXPECT_EQ(driver_->RecordSkypeMsgStart(&in2, &out2, Greeting(kLive, {}), U16(next), 0), 0);
    EXPECT_EQ(FileSize(next), -1);
  }
}

TEST_F(RealTimeCallAudioTest, VoiceMessageGreetsWithBeepsThenRecordsOnlyWhatTheCallerSaysAfterTheGreeting) {
  // Two seconds of greeting at 44100 Hz (as the greetings in memory are), two beeps laid over its
  // start; the caller talks from the moment the call is connected, for three seconds.
  const WAVEFORMATEX greetingFormat = WaveUtilsMakePCMFormat(1, 16, 44100);
  auto greeting = Greeting(greetingFormat, test::Tone(44100, 1, 440, 2.0));
  const size_t callerBlocks = 75;
  auto peer = Peer(NumberedBlocks(callerBlocks), true, dir_.File("heard.wav"));
  const std::string path = dir_.File("lastvoicemsg.wav");

  int inPort = 0, outPort = 0;
  ASSERT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, U16(path), 0), 1);
  EXPECT_GT(inPort, 0);
  EXPECT_GT(outPort, 0);
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kPlayingGreeting);
  ASSERT_EQ(driver_->RecordSkypeInsertBeep(), 1);
  ASSERT_EQ(driver_->RecordSkypeInsertBeep(), 1);
  greeting.reset();  // the audio thread holds its own reference
  ASSERT_TRUE(peer->ConnectOutput(inPort));
  ASSERT_TRUE(peer->ConnectInput(outPort));

  ASSERT_TRUE(peer->WaitCallerSent(20000));
  // The file grows block by block; its first block says where the recording began in the voice.
  int64_t firstBlock = -1;
  ASSERT_TRUE(Eventually([&] {
    const std::string bytes = test::ReadFileBytes(path);
    if (bytes.size() < kWaveHeaderSize + 2) return false;
    firstBlock = test::ToSamples(bytes.substr(kWaveHeaderSize, 2))[0] / 8 - 1;
    return int64_t(bytes.size()) >= int64_t(kWaveHeaderSize) + (int64_t(callerBlocks) - firstBlock) * 1280;
  })) << "first block " << firstBlock;
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kRecordingCaller);
  int seconds = -1;
  ASSERT_EQ(driver_->RecordSkypeMsgStop(&seconds), 1);
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);
  peer->Stop();

  // Only what the caller said after the 2 s (50 blocks) of greeting, whole blocks in order.
  EXPECT_GE(firstBlock, 48);
  EXPECT_LE(firstBlock, 56);
  WAVEFORMATEX format{};
  std::string data;
  ASSERT_TRUE(ReadWav(path, &format, &data));
  EXPECT_EQ(format.nSamplesPerSec, 16000u);
  EXPECT_EQ(format.wBitsPerSample, 16);
  EXPECT_EQ(data.size(), size_t(callerBlocks - firstBlock) * 1280) << "the final header holds the whole data";
  const std::vector<int16_t> recorded = test::ToSamples(data);
  for (size_t i = 0; i < recorded.size(); ++i) {
    ASSERT_EQ(recorded[i], int16_t((firstBlock + i / kBlockSamples + 1) * 8)) << "sample " << i;
  }
  EXPECT_EQ(seconds, int((data.size() + 31999) / 32000)) << "seconds rounded up";
  EXPECT_EQ(test::RunCommand("test \"$(soxi -s " + test::Quote(path) + ")\" = " + std::to_string(recorded.size())), 0)
      << "sox reads the header";

  // What the caller heard: the two beeps over the greeting's start, the greeting, then the masked echo.
  const std::vector<int16_t> heard = peer->Received();
  ASSERT_GT(heard.size(), 32000u + 8000u);
  // The beeps start with the block after the requests (the first greeting blocks were already on
  // their way): find the silence after the first tone.
  size_t zeros = 0, beepStart = 0;
  for (size_t i = 0; i < 16000 && beepStart == 0; ++i) {
    zeros = heard[i] == 0 ? zeros + 1 : 0;
    if (zeros == 4800) beepStart = i + 1 - 4800 - 1600;
  }
  ASSERT_GT(beepStart, 0u);
  EXPECT_LT(beepStart, 10 * kBlockSamples);
  for (size_t beep = 0; beep < 2; ++beep) {
    const size_t at = beepStart + beep * 6400;
    EXPECT_NEAR(test::MeasuredFrequency(heard, 16000, at, 1600), 666, 4) << "beep " << beep;
    EXPECT_NEAR(test::Rms(heard, at, 1600), 0.65 * 32767 / std::sqrt(2.0), 300);
    for (size_t i = at + 1600; i < at + 6400; ++i) ASSERT_EQ(heard[i], 0) << "silence after beep " << beep << " at " << i;
  }
  EXPECT_NEAR(test::MeasuredFrequency(heard, 16000, 0, beepStart), 440, 5) << "the greeting before the beeps";
  EXPECT_NEAR(test::MeasuredFrequency(heard, 16000, beepStart + 12800, 16000), 440, 3) << "and after them";
  size_t echoFrom = 32000 + 400;  // past the greeting and the resampler's tail
  for (size_t i = echoFrom; i < heard.size(); ++i) {
    ASSERT_GE(heard[i], 0) << i;
    ASSERT_LE(heard[i], 3) << i;
  }
  WAVEFORMATEX heardFormat{};
  std::string heardData;
  ASSERT_TRUE(ReadWav(dir_.File("heard.wav"), &heardFormat, &heardData)) << "the peer's record file";
  EXPECT_EQ(heardData.size(), heard.size() * 2);
}

TEST_F(CallAudioTest, AnEmptyGreetingStartsTheRecordingAtOnceAndTheLengthIsRoundedUp) {
  auto greeting = Greeting(kLive, {});
  const std::string path = dir_.File("lastvoicemsg.wav");
  int inPort = 0, outPort = 0;
  ASSERT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, U16(path), 0), 1);
  ASSERT_TRUE(Eventually([&] { return driver_->GetState() == AudioDriverState::kRecordingCaller; })) << "nothing to send: no waiting for a block";
  // 1.01 s of voice, ending with a partial block that comes in when the caller hangs up.
  const std::vector<int16_t> voice = test::Tone(16000, 1, 300, 1.01);
  auto peer = Peer(voice, true);
  ASSERT_TRUE(peer->ConnectOutput(inPort));
  ASSERT_TRUE(peer->WaitCallerSent(20000));
  ASSERT_TRUE(Eventually([&] { return FileSize(path) >= int64_t(kWaveHeaderSize + voice.size() * 2); }));
  int seconds = 0;
  ASSERT_EQ(driver_->RecordSkypeMsgStop(&seconds), 1);
  EXPECT_EQ(seconds, 2);
  WAVEFORMATEX format{};
  std::string data;
  ASSERT_TRUE(ReadWav(path, &format, &data));
  EXPECT_EQ(data, test::ToBytes(voice));

  // A caller who hangs up during the greeting leaves a file of 0 seconds, and the thread is idle.
  auto longGreeting = Greeting(kLive, test::Tone(16000, 1, 500, 5.0));
  ASSERT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, longGreeting, U16(dir_.File("second.wav")), 1), 1);
  ASSERT_EQ(driver_->RecordSkypeMsgStop(&seconds), 1);
  EXPECT_EQ(seconds, 0);
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);
}

TEST_F(CallAudioTest, TheSimulatedClientsAudioSideFollowsTheRoutesOfTheCall) {
  auto greeting = Greeting(kLive, {});
  const std::string path = dir_.File("lastvoicemsg.wav");
  int inPort = 0, outPort = 0;
  ASSERT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, U16(path), 0), 1);
  ASSERT_TRUE(Eventually([&] { return driver_->GetState() == AudioDriverState::kRecordingCaller; }));
  const std::vector<int16_t> voice = test::Tone(16000, 1, 700, 0.6);
  ASSERT_TRUE(test::WriteWav(dir_.File("voice.wav"), kLive, test::ToBytes(voice)));
  sim::CallAudioPeers peers({.recordFolder = dir_.path(), .speed = kSpeed});
  sim::SimCall call;
  call.id = 77;
  call.audioFile = dir_.File("voice.wav");
  peers.OnAudioRoute(call, sim::SimAudioDirection::kOutput, {.soundCard = false, .port = inPort, .file = ""});
  peers.OnAudioRoute(call, sim::SimAudioDirection::kInput, {.soundCard = false, .port = outPort, .file = ""});
  ASSERT_NE(peers.PeerOf(77), nullptr);
  ASSERT_TRUE(peers.PeerOf(77)->WaitCallerSent(20000));
  ASSERT_TRUE(Eventually([&] { return FileSize(path) >= int64_t(kWaveHeaderSize + voice.size() * 2); }));
  // The call's audio goes back to the sound card, the recording stops, the call ends.
  peers.OnAudioRoute(call, sim::SimAudioDirection::kOutput, {});
  peers.OnAudioRoute(call, sim::SimAudioDirection::kInput, {});
  int seconds = 0;
  ASSERT_EQ(driver_->RecordSkypeMsgStop(&seconds), 1);
  peers.OnCallEnded(call);
  EXPECT_EQ(peers.PeerOf(77), nullptr);

  WAVEFORMATEX format{};
  std::string data;
  ASSERT_TRUE(ReadWav(path, &format, &data));
  ASSERT_GE(data.size(), voice.size() * 2);
  EXPECT_EQ(data.substr(0, voice.size() * 2), test::ToBytes(voice)) << "the caller's voice, then the silence after it";
  const std::string heard = peers.RecordPathOf(77);
  EXPECT_EQ(test::RunCommand("soxi " + test::Quote(heard) + " > /dev/null"), 0) << "a finished WAV of what the caller heard";

  // A caller's file that cannot be used leaves the caller silent, and the call still has its audio.
  sim::SimCall bad;
  bad.id = 78;
  bad.audioFile = dir_.File("missing.wav");
  ASSERT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, U16(dir_.File("second.wav")), 0), 1);
  peers.OnAudioRoute(bad, sim::SimAudioDirection::kInput, {.soundCard = false, .port = outPort, .file = ""});
  EXPECT_NE(peers.PeerOf(78), nullptr);
  EXPECT_NE(peers.LastError().find("missing.wav"), std::string::npos) << peers.LastError();
  ASSERT_EQ(driver_->RecordSkypeMsgStop(&seconds), 1);
}

TEST_F(CallAudioTest, AnMp3MessageIsDecodedByMpg123) {
  auto greeting = Greeting(kLive, {});
  const std::string path = dir_.File("lastvoicemsg.mp3");
  int inPort = 0, outPort = 0;
  ASSERT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, U16(path), 0), 1);
  ASSERT_TRUE(Eventually([&] { return driver_->GetState() == AudioDriverState::kRecordingCaller; }));
  auto peer = Peer(test::Tone(16000, 1, 440, 2.0), true);
  ASSERT_TRUE(peer->ConnectOutput(inPort));
  ASSERT_TRUE(peer->WaitCallerSent(20000));
  // 96000 bit/s: 12000 bytes a second after the 512-byte tag; the encoder holds its last frames
  // until the stop.
  ASSERT_TRUE(Eventually([&] { return FileSize(path) >= 512 + 2 * 12000 - 4 * 432; }));
  int seconds = 0;
  ASSERT_EQ(driver_->RecordSkypeMsgStop(&seconds), 1);
  EXPECT_GE(seconds, 2);
  EXPECT_LE(seconds, 3);
  const std::string decoded = dir_.File("decoded.wav");
  ASSERT_EQ(test::RunCommand("mpg123 -q -w " + test::Quote(decoded) + " " + test::Quote(path)), 0);
  WAVEFORMATEX format{};
  std::string data;
  ASSERT_TRUE(ReadWav(decoded, &format, &data));
  const std::vector<int16_t> s = test::ToSamples(data);
  EXPECT_EQ(format.nSamplesPerSec, 16000u);
  EXPECT_NEAR(double(s.size()) / 16000, 2.0, 0.15);
  EXPECT_NEAR(test::MeasuredFrequency(s, 16000, 4000, 20000), 440, 3);
}

TEST_F(CallAudioTest, WithoutTheEncoderLibraryMp3FailsCleanlyAndWavStillWorks) {
  test::ScopedEnv noLame("QAV_LAME_LIBRARY", dir_.File("missing-libmp3lame.so"));
  auto greeting = Greeting(kLive, {});
  int inPort = 0, outPort = 0;
  EXPECT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, Path("message.mp3"), 0), 0);
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);
  EXPECT_EQ(FileSize(dir_.File("message.mp3")), -1) << "no file that holds only a tag";
  EXPECT_EQ(driver_->RecordSkypeConvStart(&inPort, &outPort, Path("conversation.mp3")), 0);
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle);
  ASSERT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, Path("message.wav"), 0), 1);
  int seconds = -1;
  EXPECT_EQ(driver_->RecordSkypeMsgStop(&seconds), 1);
  EXPECT_EQ(seconds, 0);
}

struct ConversationCase {
  const char* name;
  int stereo;
  bool callerTalks;
};

// The conversation pairs the two sides by their place in a ring of a few blocks, so a side that
// stalls longer than the ring is written beside silence: it runs in real time (see above).
class ConversationTest : public RealTimeCallAudioTest, public ::testing::WithParamInterface<ConversationCase> {};

TEST_P(ConversationTest, RecordsTheFarPartyLeftAndTheUserRightOrBothMixed) {
  const ConversationCase& c = GetParam();
  test::ScopedEnv microphone("QAV_VIRTUAL_MIC_TONE", "1000");
  g_ConversationAudioFileModeStereo = c.stereo;
  const std::string path = dir_.File("conversation.wav");
  // The caller talks (440 Hz) for 2 s, then keeps quiet; or never connects a voice at all. The peer
  // is ready before the recording starts, so it connects at once.
  auto peer = Peer(c.callerTalks ? test::Tone(16000, 1, 440, 2.0) : std::vector<int16_t>{}, false);
  int inPort = 0, outPort = 0;
  ASSERT_EQ(driver_->RecordSkypeConvStart(&inPort, &outPort, U16(path)), 1);
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kRecordingConversation);
  if (c.callerTalks) {
    ASSERT_TRUE(peer->ConnectOutput(inPort));
  }
  ASSERT_TRUE(peer->ConnectInput(outPort));
  ASSERT_TRUE(peer->WaitReceived(2 * 32000, 20000)) << "the microphone goes into the call";
  int seconds = 0;
  ASSERT_EQ(driver_->RecordSkypeConvStop(&seconds), 1);
  peer->Stop();

  WAVEFORMATEX format{};
  std::string data;
  ASSERT_TRUE(ReadWav(path, &format, &data));
  EXPECT_EQ(format.nChannels, c.stereo ? 2 : 1);
  EXPECT_EQ(format.nSamplesPerSec, 16000u);
  EXPECT_EQ(format.wBitsPerSample, 8) << "quality 1: 16000 Hz 8-bit";
  EXPECT_EQ(seconds, int((data.size() + format.nAvgBytesPerSec - 1) / format.nAvgBytesPerSec));
  // Back to 16-bit for the measurements.
  std::vector<int16_t> s;
  for (unsigned char b : data) s.push_back(static_cast<int16_t>((b - 128) << 8));
  ASSERT_GT(s.size(), 16000u * format.nChannels);
  const size_t frames = s.size() / format.nChannels;
  const std::vector<int16_t> heard = peer->Received();
  EXPECT_NEAR(test::MeasuredFrequency(heard, 16000, 1000, 16000), 1000, 5) << "the user's voice reaches the caller";
  if (c.stereo) {
    const auto left = test::Channel(s, 2, 0);
    const auto right = test::Channel(s, 2, 1);
    EXPECT_NEAR(test::MeasuredFrequency(right, 16000, 0, frames), 1000, 5);
    if (c.callerTalks) {
      // From where the caller's voice begins: the peer connects a moment after the recording
      // started, longer on a busy machine, and the silence before must not count.
      size_t voice = 0;
      while (voice < left.size() && std::abs(left[voice]) < 2000) ++voice;
      ASSERT_LT(voice + 1000 + 16000, left.size()) << "the caller's two seconds are in the file";
      EXPECT_NEAR(test::MeasuredFrequency(left, 16000, voice + 1000, 16000), 440, 3);
    } else {
      EXPECT_LT(test::Rms(left), 300) << "a silent side is paired with silence";
    }
  } else {
    // far / 2 + near / 2: both voices at half their level.
    EXPECT_NEAR(test::Rms(s, 1000, 16000), 0.25 * 32767, 1500);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, ConversationTest,
                         ::testing::Values(ConversationCase{"Stereo", 1, true}, ConversationCase{"Mono", 0, true},
                                           ConversationCase{"StereoWithoutCaller", 1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CallAudioTest, AConversationFileIsContinuedInItsOwnFormat) {
  g_AudioFileRecordingQuality = 0;  // 16000 Hz 16-bit stereo
  const std::string path = dir_.File("conversation.wav");
  uint32_t firstSize = 0;
  for (int part = 0; part < 2; ++part) {
    int inPort = 0, outPort = 0;
    ASSERT_EQ(driver_->RecordSkypeConvStart(&inPort, &outPort, U16(path)), 1) << part;
    auto peer = Peer({}, false);
    ASSERT_TRUE(peer->ConnectInput(outPort));
    ASSERT_TRUE(peer->WaitReceived(32000, 20000));
    int seconds = 0;
    ASSERT_EQ(driver_->RecordSkypeConvStop(&seconds), 1);
    WAVEFORMATEX format{};
    std::string data;
    ASSERT_TRUE(ReadWav(path, &format, &data));
    EXPECT_EQ(format.nChannels, 2) << part;
    EXPECT_EQ(format.wBitsPerSample, 16) << part;
    if (part == 0) {
      firstSize = static_cast<uint32_t>(data.size());
      // Settings changed since: mono, 8000 Hz 8-bit. The file keeps its own.
      g_ConversationAudioFileModeStereo = 0;
      g_AudioFileRecordingQuality = 2;
    } else {
      EXPECT_GT(data.size(), firstSize + 16000u);
      EXPECT_EQ(seconds, int((data.size() + 63999) / 64000)) << "the length of the whole file";
    }
  }
}

// Probing the machine's sound devices opens every device node ALSA knows (milliseconds): the audio
// thread must never do it when a recording starts, where it would hold up the call's sound. The
// devices are probed by the driver's device watch instead, off the audio thread.
TEST_F(CallAudioTest, StartingARecordingProbesNoSoundDeviceOnTheAudioThread) {
  test::ScopedEnv realDevices("QAV_SOUND_DEVICE", std::nullopt);
  std::mutex lock;
  std::vector<std::string> probers;
  SetSoundDeviceProbeObserver([&] {
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    std::lock_guard guard(lock);
    probers.emplace_back(name);
  });
  const std::u16string playback = g_AudioPlaybackDeviceName.Get(), recording = g_AudioRecordingDeviceName.Get();
  g_AudioPlaybackDeviceName = U16(kVirtualSoundDeviceName);
  g_AudioRecordingDeviceName = U16(kVirtualSoundDeviceName);
  {
    CAudioDriver driver;
    ASSERT_EQ(driver.Start(clock_), 1);
    ASSERT_TRUE(Eventually([&] {
      std::lock_guard guard(lock);
      return std::count(probers.begin(), probers.end(), "QAVSoundWatch") > 0;
    })) << "the watch probes once as the driver starts";
    auto greeting = Greeting(kLive, test::Tone(16000, 1, 500, 1.0));
    int inPort = 0, outPort = 0, seconds = 0;
    ASSERT_EQ(driver.RecordSkypeMsgStart(&inPort, &outPort, greeting, Path("monitored.wav"), 1), 1);
    ASSERT_EQ(driver.RecordSkypeMsgStop(&seconds), 1);
    driver.SetSkypeSoundDevices(U16(kVirtualSoundDeviceName), U16(kVirtualSoundDeviceName));
    inPort = outPort = 0;
    ASSERT_EQ(driver.RecordSkypeConvStart(&inPort, &outPort, Path("conversation.wav")), 1);
    ASSERT_EQ(driver.RecordSkypeConvStop(&seconds), 1);
    ASSERT_EQ(driver.RecAudioFileStart(Path("greeting.wav")), 1);
    ASSERT_EQ(driver.RecAudioFileStop(), 1);
  }
  SetSoundDeviceProbeObserver(nullptr);
  g_AudioPlaybackDeviceName = playback;
  g_AudioRecordingDeviceName = recording;
  EXPECT_EQ(std::count(probers.begin(), probers.end(), "QAVAudio"), 0);
}

// The machine's first probe can take seconds just after start (every device node, on a slow or
// busy machine). A recording on the default devices needs no device list, so it starts while that
// probe still runs, rather than hold up the audio thread and every thread that asks it something.
TEST_F(CallAudioTest, ARecordingOnTheDefaultDevicesDoesNotWaitForTheFirstProbe) {
  test::ScopedEnv realDevices("QAV_SOUND_DEVICE", std::nullopt);
  std::mutex lock;
  std::condition_variable changed;
  bool probing = false, released = false, startsDone = false;
  SetSoundDeviceProbeObserver([&] {
    std::unique_lock guard(lock);
    probing = true;
    changed.notify_all();
    changed.wait(guard, [&] { return released; });
  });
  // Lets the probe go on once the starts are done, or after 10 s if a start waits for it.
  std::thread watchdog([&] {
    std::unique_lock guard(lock);
    changed.wait_for(guard, std::chrono::seconds(10), [&] { return startsDone; });
    released = true;
    changed.notify_all();
  });
  struct Join {
    std::thread& thread;
    ~Join() { thread.join(); }
  } joinWatchdog{watchdog};
  const std::u16string playback = g_AudioPlaybackDeviceName.Get(), recording = g_AudioRecordingDeviceName.Get();
  g_AudioPlaybackDeviceName = u"";
  g_AudioRecordingDeviceName = u"";
  {
    CAudioDriver driver;
    ASSERT_EQ(driver.Start(clock_), 1);
    {
      std::unique_lock guard(lock);
      ASSERT_TRUE(changed.wait_for(guard, std::chrono::seconds(10), [&] { return probing; }));
    }
    int seconds = 0, inPort = 0, outPort = 0;
    EXPECT_EQ(driver.RecAudioFileStart(Path("greeting.wav")), 1);
    EXPECT_EQ(driver.RecAudioFileStop(), 1);
    auto greeting = Greeting(kLive, test::Tone(16000, 1, 500, 0.2));
    EXPECT_EQ(driver.RecordSkypeMsgStart(&inPort, &outPort, greeting, Path("monitored.wav"), 1), 1);
    EXPECT_EQ(driver.RecordSkypeMsgStop(&seconds), 1);
    {
      std::lock_guard guard(lock);
      EXPECT_FALSE(released) << "a start waited for the probe";
      startsDone = true;
    }
    changed.notify_all();
  }
  SetSoundDeviceProbeObserver(nullptr);
  g_AudioPlaybackDeviceName = playback;
  g_AudioRecordingDeviceName = recording;
}

TEST_F(CallAudioTest, RequestsAreRefusedUnlessIdleAndEveryFailureReturnsToIdle) {
  auto greeting = Greeting(kLive, test::Tone(16000, 1, 500, 10.0));
  int seconds = -1;
  int inPort = 0, outPort = 0;
  EXPECT_EQ(driver_->RecordSkypeMsgStop(&seconds), 0);
  EXPECT_EQ(driver_->RecordSkypeConvStop(&seconds), 0);
  EXPECT_EQ(driver_->RecordSkypeInsertBeep(), 0);

  ASSERT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, Path("busy.wav"), 0), 1);
  EXPECT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, Path("other.wav"), 0), 0);
  EXPECT_EQ(driver_->RecordSkypeConvStart(&inPort, &outPort, Path("other.wav")), 0);
  EXPECT_EQ(driver_->RecordSkypeConvStop(&seconds), 0);
  EXPECT_EQ(driver_->GetState(), AudioDriverState::kPlayingGreeting) << "a refused start changes nothing";
  ASSERT_EQ(driver_->RecordSkypeMsgStop(&seconds), 1);

  // A port that is taken.
  const int taken = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof addr;
  ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(taken, 1), 0);
  ASSERT_EQ(::getsockname(taken, reinterpret_cast<sockaddr*>(&addr), &size), 0);
  const int takenPort = ntohs(addr.sin_port);

  auto noFormat = std::make_shared<CWaveMemFile>();
  struct Failure {
    const char* name;
    std::function<int()> start;
  };
  const std::vector<Failure> failures = {
      {"empty path", [&] { return driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, u"", 0); }},
      {"not wav or mp3", [&] { return driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, Path("a.ogg"), 0); }},
      {"no greeting", [&] { return driver_->RecordSkypeMsgStart(&inPort, &outPort, nullptr, Path("a.wav"), 0); }},
      {"greeting without format",
       [&] { return driver_->RecordSkypeMsgStart(&inPort, &outPort, noFormat, Path("a.wav"), 0); }},
      {"folder missing",
       [&] { return driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, Path("none/a.wav"), 0); }},
      {"in port taken",
       [&] {
         int in = takenPort, out = 0;
         return driver_->RecordSkypeMsgStart(&in, &out, greeting, Path("a.wav"), 0);
       }},
      {"out port taken",
       [&] {
         int in = 0, out = takenPort;
         return driver_->RecordSkypeConvStart(&in, &out, Path("c.wav"));
       }},
      {"bad quality",
       [&] {
         g_AudioFileRecordingQuality = 3;
         const int r = driver_->RecordSkypeConvStart(&inPort, &outPort, Path("c.wav"));
         g_AudioFileRecordingQuality = 1;
         return r;
       }},
      {"conversation into a folder that is missing",
       [&] { return driver_->RecordSkypeConvStart(&inPort, &outPort, Path("none/c.wav")); }},
  };
  for (const Failure& f : failures) {
    EXPECT_EQ(f.start(), 0) << f.name;
    EXPECT_EQ(driver_->GetState(), AudioDriverState::kIdle) << f.name;
    // Nothing is left behind: the next start works.
    int in = 0, out = 0;
    ASSERT_EQ(driver_->RecordSkypeConvStart(&in, &out, Path("after.wav")), 1) << f.name;
    ASSERT_EQ(driver_->RecordSkypeConvStop(&seconds), 1) << f.name;
  }
  ::close(taken);
}

// A call answered must be recorded: what the player or a greeting page has on the sound card
// ends when a call's recording starts, playback with its end notice (the page shows that it
// stopped) and a greeting take with its file finished as its stop would finish it.
TEST_F(CallAudioTest, ACallsStartEndsWhatTheSoundCardPlaysOrRecordsAndTheCallIsRecorded) {
  test::ScopedEnv microphone("QAV_VIRTUAL_MIC_TONE", "1000");
  constexpr uint32_t kNotice = 0x400 + 230;
  MessageLoop loop;
  int endNotices = 0;
  int64_t endPosition = 0;
  loop.SetThreadMessageHandler([&](Msg& m) {
    if (m.message != kNotice || m.wParam != AUDIO_EVENT_PLAY_DONE) return;
    ++endNotices;
    endPosition = m.lParam;
  });
  const std::string recording = dir_.File("recording.wav");
  ASSERT_TRUE(test::WriteWav(recording, kLive, test::ToBytes(test::Tone(16000, 1, 440, 60.0))));
  const std::string take = dir_.File("TempNewGreeting.wav");
  auto greeting = Greeting(kLive, test::Tone(16000, 1, 500, 1.0));

  struct Case {
    const char* name;
    std::function<int()> occupy;  // what the sound card is doing when the call comes
    std::function<int(int*, int*)> callStart;
    std::function<int(int*)> callStop;
  };
  auto playback = [&] {
    return driver_->PlayAudioFileStart(U16(recording), loop.threadId(), kNotice, AUDIO_EVENT_PLAY_DONE);
  };
  auto greetingTake = [&] { return driver_->RecAudioFileStart(U16(take)); };
  auto message = [&](int* in, int* out) {
    return driver_->RecordSkypeMsgStart(in, out, greeting, Path("message.wav"), 0);
  };
  auto conversation = [&](int* in, int* out) {
    return driver_->RecordSkypeConvStart(in, out, Path("conversation.wav"));
  };
  auto messageStop = [&](int* seconds) { return driver_->RecordSkypeMsgStop(seconds); };
  auto conversationStop = [&](int* seconds) { return driver_->RecordSkypeConvStop(seconds); };
  const Case cases[] = {
      {"a recording played, then a voice message", playback, message, messageStop},
      {"a greeting recorded, then a voice message", greetingTake, message, messageStop},
      {"a recording played, then a conversation", playback, conversation, conversationStop},
      {"a greeting recorded, then a conversation", greetingTake, conversation, conversationStop},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    endNotices = 0;
    ::unlink(take.c_str());
    ASSERT_EQ(c.occupy(), 1);
    const bool recordingGreeting = driver_->GetState() == AudioDriverState::kRecordingMicrophone;
    if (recordingGreeting) {
      ASSERT_TRUE(Eventually([&] { return FileSize(take) > int64_t(kWaveHeaderSize + 3200); }));
    }

    int inPort = 0, outPort = 0;
    ASSERT_EQ(c.callStart(&inPort, &outPort), 1) << "the call's recording starts";
    EXPECT_GT(inPort, 0);
    EXPECT_GT(outPort, 0);
    EXPECT_EQ(driver_->PlayAudioFileStop(), 0) << "the playback has ended";
    EXPECT_EQ(driver_->RecAudioFileStop(), 0) << "the greeting recording has ended";
    if (recordingGreeting) {
      WAVEFORMATEX format{};
      std::string data;
      ASSERT_TRUE(ReadWav(take, &format, &data)) << "the take is a whole file";
      EXPECT_EQ(data.size() + kWaveHeaderSize, size_t(FileSize(take))) << "its header holds all of it";
      EXPECT_NEAR(test::MeasuredFrequency(test::ToSamples(data), int(format.nSamplesPerSec)), 1000, 20);
    } else {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (endNotices == 0 && std::chrono::steady_clock::now() < deadline) {
        loop.WaitForWork(10);
        loop.ProcessDue();
      }
      EXPECT_EQ(endNotices, 1) << "the player learns that playback has ended";
      EXPECT_GE(endPosition, int64_t(kWaveHeaderSize)) << "and where it had got to (0 would be the file's end)";
    }
    int seconds = -1;
    ASSERT_EQ(c.callStop(&seconds), 1);
  }
}

TEST_F(CallAudioTest, DestructionFinishesARunningJobAndLaterRequestsReturnZero) {
  auto greeting = Greeting(kLive, {});
  const std::string path = dir_.File("lastvoicemsg.wav");
  int inPort = 0, outPort = 0;
  ASSERT_EQ(driver_->RecordSkypeMsgStart(&inPort, &outPort, greeting, U16(path), 0), 1);
  ASSERT_TRUE(Eventually([&] { return driver_->GetState() == AudioDriverState::kRecordingCaller; }));
  auto peer = Peer(test::Tone(16000, 1, 300, 0.4), true);
  ASSERT_TRUE(peer->ConnectOutput(inPort));
  ASSERT_TRUE(Eventually([&] { return FileSize(path) >= int64_t(kWaveHeaderSize + 12800); }));
  driver_.reset();
  WAVEFORMATEX format{};
  std::string data;
  ASSERT_TRUE(ReadWav(path, &format, &data));
  EXPECT_EQ(data.size(), 12800u) << "the header holds what was recorded";

  CAudioDriver neverStarted;
  EXPECT_EQ(neverStarted.RecordSkypeInsertBeep(), 0);
  int seconds = 0;
  EXPECT_EQ(neverStarted.RecordSkypeMsgStop(&seconds), 0);
}

TEST(BeepGenerator, BeepsAre100MsOf666HzThen300MsOfSilenceBackToBack) {
  CBeepGenerator g;
  g.Reset();
  std::vector<int16_t> s(16000, 1234);
  EXPECT_EQ(g.Generate(s.data(), s.size()), 0) << "nothing pending leaves the samples alone";
  EXPECT_EQ(s[0], 1234);
  g.AddBeep();
  g.AddBeep();
  EXPECT_EQ(g.Generate(s.data(), s.size()), 1);
  EXPECT_EQ(g.GetPending(), 0u);
  for (size_t beep = 0; beep < 2; ++beep) {
    const size_t at = beep * 6400;
    EXPECT_EQ(s[at], 0);
    EXPECT_EQ(s[at + 1], int16_t(std::sin(1.0 / 16000 * 4184.601414581604) * 0.65 * 32767));
    EXPECT_NEAR(test::MeasuredFrequency(s, 16000, at, 1600), 666, 3);
    for (size_t i = at + 1600; i < at + 6400; ++i) ASSERT_EQ(s[i], 0);
  }
  EXPECT_EQ(s[12800], 1234) << "after the last beep the block keeps its values";
  // A beep asked for while one is sounding follows it; one asked for later starts at time 0.
  g.AddBeep();
  std::vector<int16_t> part(100, 7);
  g.Generate(part.data(), part.size());
  EXPECT_NEAR(g.GetTime(), 100.0 / 16000, 1e-12);
}

TEST(ConversationRing, PairsByPositionAndWritesAHalfAloneWhenItsSlotComesRoundAgain) {
  CConversationRing ring;
  ring.Clear();
  std::vector<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> written;
  auto sink = [&](const std::vector<uint8_t>& far, const std::vector<uint8_t>& near) { written.push_back({far, near}); };
  const uint8_t a[2] = {1, 0}, b[2] = {2, 0};
  ring.PutFar(a, 2, sink);
  EXPECT_TRUE(written.empty());
  ring.PutNear(b, 2, sink);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].first, std::vector<uint8_t>(a, a + 2));
  EXPECT_EQ(written[0].second, std::vector<uint8_t>(b, b + 2));
  // Only the far side delivers: each half waits one turn of the ring, then goes alone.
  for (int i = 0; i < CConversationRing::kSlots; ++i) ring.PutFar(a, 2, sink);
  EXPECT_EQ(written.size(), 1u);
  ring.PutFar(a, 2, sink);
  ASSERT_EQ(written.size(), 2u);
  EXPECT_TRUE(written[1].second.empty());

  std::vector<uint8_t> out(8);
  const std::vector<uint8_t> far = {0x10, 0x00, 0xFF, 0x7F};  // 16, 32767
  const std::vector<uint8_t> near = {0xFF, 0xFF};             // -1 (and silence after)
  ASSERT_EQ(MixConversationPair(far, near, 2, out.data(), out.size()), 8u);
  EXPECT_EQ(test::ToSamples(out.data(), 8), (std::vector<int16_t>{16, -1, 32767, 0}));
  ASSERT_EQ(MixConversationPair(far, near, 1, out.data(), out.size()), 4u);
  EXPECT_EQ(test::ToSamples(out.data(), 4), (std::vector<int16_t>{8, 16383})) << "-1 / 2 is 0";
}

}  // namespace
