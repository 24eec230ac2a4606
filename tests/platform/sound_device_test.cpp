// The wave-out/wave-in layer: the virtual device on virtual time, and the ALSA backend on ALSA's
// "null" device, which needs no sound card.
#include <chrono>
#include <cmath>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sound/alsa_wave_device.h"
#include "platform/sound/sound_devices.h"
#include "platform/sound/virtual_wave_device.h"
#include "platform/sound/wave_device.h"
#include "platform/virtual_loop.h"
#include "tests/support/pump.h"
#include "tests/support/scoped_env.h"

namespace {

using qav::test::PumpUntil;
using namespace qav;

const WAVEFORMATEX kLive = {WAVE_FORMAT_PCM, 1, 16000, 32000, 2, 16, 0};

struct Returned {
  struct Item {
    uint32_t message;
    uint64_t device;
    uint64_t user;
    uint32_t bytes;
    int64_t atMs;
    std::vector<uint8_t> data;
  };
  std::vector<Item> items;
  Returned(VirtualLoop& v) {
    v.loop().SetThreadMessageHandler([this, &v](Msg& msg) {
      auto* h = msg.Get<WaveHeader>();
      ASSERT_NE(h, nullptr);
      items.push_back({msg.message, msg.wParam, h->user,
                       msg.message == MM_WIM_DATA ? h->bytesRecorded : static_cast<uint32_t>(h->data.size()), v.NowMs(),
                       h->data});
    });
  }
  std::vector<uint64_t> Users() const {
    std::vector<uint64_t> u;
    for (const auto& i : items) u.push_back(i.user);
    return u;
  }
};

WaveHeaderPtr Block(uint32_t bytes, uint64_t user) {
  auto h = std::make_unique<WaveHeader>(bytes);
  h->user = user;
  return h;
}

TEST(VirtualSoundDevice, PlaysBlocksInOrderAtThePaceOfItsLoopsClock) {
  VirtualLoop v;
  Returned returned(v);
  std::unique_ptr<WaveOutDevice> out;
  ASSERT_EQ(OpenVirtualWaveOut(&out, kLive, v.loop().threadId()), MMSYSERR_NOERROR);
  const int64_t start = v.NowMs();
  for (uint64_t i = 0; i < 5; ++i) {
    WaveHeaderPtr b = Block(1280, i);  // 40 ms each
    ASSERT_EQ(out->Write(b), MMSYSERR_NOERROR);
  }
  v.AdvanceMs(39);
  EXPECT_TRUE(returned.items.empty());
  v.AdvanceMs(1);
  ASSERT_EQ(returned.items.size(), 1u);
  v.AdvanceMs(40);
  ASSERT_EQ(returned.items.size(), 2u);
  EXPECT_EQ(returned.items[1].atMs - start, 80);
  EXPECT_EQ(returned.items[1].message, MM_WOM_DONE);
  EXPECT_EQ(returned.items[1].device, out->id());

  ASSERT_EQ(out->Reset(), MMSYSERR_NOERROR);
  v.RunUntilIdle();
  EXPECT_EQ(returned.Users(), (std::vector<uint64_t>{0, 1, 2, 3, 4})) << "reset returns the rest, in order";
  v.AdvanceMs(1000);
  EXPECT_EQ(returned.items.size(), 5u) << "each block exactly once";

  // After the queue ran dry a new block starts at once.
  WaveHeaderPtr b = Block(640, 9);
  ASSERT_EQ(out->Write(b), MMSYSERR_NOERROR);
  v.AdvanceMs(20);
  ASSERT_EQ(returned.items.size(), 6u);
  out.reset();
  v.RunUntilIdle();
  EXPECT_EQ(returned.items.size(), 6u);
}

TEST(VirtualSoundDevice, RecordsTheToneIntoFullBuffersAndHandsBackThePartialOneOnStop) {
  test::ScopedEnv tone("QAV_VIRTUAL_MIC_TONE", "1000");
  VirtualLoop v;
  Returned returned(v);
  std::unique_ptr<WaveInDevice> in;
  ASSERT_EQ(OpenVirtualWaveIn(&in, kLive, v.loop().threadId()), MMSYSERR_NOERROR);
  for (uint64_t i = 0; i < 3; ++i) {
    WaveHeaderPtr b = Block(1280, i);
    ASSERT_EQ(in->AddBuffer(b), MMSYSERR_NOERROR);
  }
  v.AdvanceMs(100);
  EXPECT_TRUE(returned.items.empty()) << "nothing before Start";
  ASSERT_EQ(in->Start(), MMSYSERR_NOERROR);
  v.AdvanceMs(50);
  ASSERT_EQ(returned.items.size(), 1u);
  EXPECT_EQ(returned.items[0].message, MM_WIM_DATA);
  EXPECT_EQ(returned.items[0].bytes, 1280u);
  // A 1000 Hz sine at half of full scale: 16 samples a period.
  const auto* s = reinterpret_cast<const int16_t*>(returned.items[0].data.data());
  EXPECT_EQ(s[0], 0);
  EXPECT_NEAR(s[4], 16384, 2);
  EXPECT_NEAR(s[12], -16384, 2);

  ASSERT_EQ(in->Stop(), MMSYSERR_NOERROR);
  v.RunUntilIdle();
  ASSERT_EQ(returned.items.size(), 2u);
  EXPECT_EQ(returned.items[1].bytes, 10u * 32u) << "the 10 ms after the first buffer";
  ASSERT_EQ(in->Reset(), MMSYSERR_NOERROR);
  v.RunUntilIdle();
  EXPECT_EQ(returned.Users(), (std::vector<uint64_t>{0, 1, 2}));
  EXPECT_EQ(returned.items[2].bytes, 0u);
}

TEST(AlsaSoundDevice, ReturnsEveryBlockInOrderExactlyOnce) {
  VirtualLoop v;
  Returned returned(v);
  std::unique_ptr<WaveOutDevice> out;
  ASSERT_EQ(OpenAlsaWaveOut(&out, "null", kLive, v.loop().threadId()), MMSYSERR_NOERROR);
  for (uint64_t i = 0; i < 20; ++i) {
    WaveHeaderPtr b = Block(1280, i);
    ASSERT_EQ(out->Write(b), MMSYSERR_NOERROR);
  }
  ASSERT_EQ(out->Reset(), MMSYSERR_NOERROR);  // whatever was not played yet comes back now
  for (uint64_t i = 20; i < 25; ++i) {
    WaveHeaderPtr b = Block(1280, i);
    ASSERT_EQ(out->Write(b), MMSYSERR_NOERROR);
  }
  out.reset();  // and whatever is left at the close
  v.RunUntilIdle();
  std::vector<uint64_t> expected;
  for (uint64_t i = 0; i < 25; ++i) expected.push_back(i);
  EXPECT_EQ(returned.Users(), expected);
}

TEST(AlsaSoundDevice, RecordsIntoBuffersAndResetReturnsTheRest) {
  VirtualLoop v;
  Returned returned(v);
  std::unique_ptr<WaveInDevice> in;
  ASSERT_EQ(OpenAlsaWaveIn(&in, "null", kLive, v.loop().threadId()), MMSYSERR_NOERROR);
  for (uint64_t i = 0; i < 4; ++i) {
    WaveHeaderPtr b = Block(1280, i);
    ASSERT_EQ(in->AddBuffer(b), MMSYSERR_NOERROR);
  }
  ASSERT_EQ(in->Start(), MMSYSERR_NOERROR);
  ASSERT_TRUE(PumpUntil(v, [&] { return !returned.items.empty(); }));
  ASSERT_EQ(in->Reset(), MMSYSERR_NOERROR);
  v.RunUntilIdle();
  EXPECT_EQ(returned.Users(), (std::vector<uint64_t>{0, 1, 2, 3}));
  EXPECT_EQ(returned.items[0].bytes, 1280u);
  in.reset();
  v.RunUntilIdle();
  EXPECT_EQ(returned.items.size(), 4u);
}

TEST(SoundDevices, TheVirtualDeviceIsListedLastAndForcedByTheEnvironment) {
  for (auto* list : {&ListPlaybackDevices, &ListRecordingDevices}) {
    const auto devices = (*list)();
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(devices.back().name, kVirtualSoundDeviceName);
    EXPECT_LE(devices.size(), kMaxListedDevices);
  }
  VirtualLoop v;
  std::unique_ptr<WaveOutDevice> out;
  const int virtualId = static_cast<int>(ListPlaybackDevices().size()) - 1;
  EXPECT_EQ(OpenWaveOut(&out, virtualId, kLive, v.loop().threadId()), MMSYSERR_NOERROR);
  EXPECT_EQ(OpenWaveOut(&out, virtualId + 1, kLive, v.loop().threadId()), MMSYSERR_BADDEVICEID);
  WAVEFORMATEX bad = kLive;
  bad.nBlockAlign = 3;
  EXPECT_EQ(OpenWaveOut(&out, virtualId, bad, v.loop().threadId()), WAVERR_BADFORMAT);

  test::ScopedEnv forced("QAV_SOUND_DEVICE", "virtual");
  EXPECT_TRUE(VirtualSoundForced());
  EXPECT_EQ(ListPlaybackDevices().size(), 1u);
  std::unique_ptr<WaveInDevice> in;
  EXPECT_EQ(OpenWaveIn(&in, WAVE_MAPPER, kLive, v.loop().threadId()), MMSYSERR_NOERROR);
  if (!MachineHasSoundCard()) {
    test::ScopedEnv unforced("QAV_SOUND_DEVICE", std::nullopt);
    EXPECT_EQ(OpenWaveIn(&in, WAVE_MAPPER, kLive, v.loop().threadId()), MMSYSERR_NOERROR)
        << "without a sound card the default device is the virtual one";
  }
}

}  // namespace
