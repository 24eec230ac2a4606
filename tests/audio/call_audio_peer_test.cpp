// The simulated call client's audio peer takes only the link's format for the caller's voice.
#include <gtest/gtest.h>

#include "audio/wave_utils.h"
#include "sim/call_audio_peer.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(CallAudioPeer, TakesOnly16000Hz16BitMonoPcmForTheCallersVoice) {
  qav::test::TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;  // the file; empty: no file
    bool accepted;
  };
  const std::string tone = qav::test::ToBytes(qav::test::Tone(16000, 1, 440, 0.1));
  auto wav = [&](const WAVEFORMATEX& f) {
    const std::string path = dir.File("w.wav");
    EXPECT_TRUE(qav::test::WriteWav(path, f, tone));
    return qav::test::ReadFileBytes(path);
  };
  // Another tool's file: a 16-byte format chunk and a LIST chunk before the data.
  std::string other = wav(WaveUtilsMakePCMFormat(1, 16, 16000));
  other = other.substr(0, 12) + std::string("fmt \x10\0\0\0", 8) + other.substr(20, 16) +
          std::string("LIST\x04\0\0\0abcd", 12) + other.substr(38);
  const Case cases[] = {
      {"the link's format", wav(WaveUtilsMakePCMFormat(1, 16, 16000)), true},
      {"another tool's layout", other, true},
      {"44100 Hz", wav(WaveUtilsMakePCMFormat(1, 16, 44100)), false},
      {"stereo", wav(WaveUtilsMakePCMFormat(2, 16, 16000)), false},
      {"8-bit", wav(WaveUtilsMakePCMFormat(1, 8, 16000)), false},
      {"not a WAV", "hello, this is not a wave file at all", false},
      {"missing", "", false},
  };
  for (const Case& c : cases) {
    const std::string path = dir.File(std::string(c.name) + ".wav");
    if (!c.bytes.empty()) {
      ASSERT_TRUE(qav::test::WriteFileBytes(path, c.bytes));
    }
    qav::sim::CallAudioPeerOptions options;
    options.callerWavPath = path;
    std::string error;
    auto peer = qav::sim::CallAudioPeer::Create(options, &error);
    EXPECT_EQ(peer != nullptr, c.accepted) << c.name << ": " << error;
    if (!c.accepted) {
      EXPECT_FALSE(error.empty()) << c.name;
    }
    if (peer) {
      EXPECT_FALSE(peer->ConnectOutput(0)) << "port 0 is no port to connect to";
    }
  }
}

}  // namespace
