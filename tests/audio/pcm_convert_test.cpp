#include "audio/pcm_convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "audio/wave_utils.h"
#include "tests/audio/audio_test_support.h"

using namespace qav::test;

namespace {

std::vector<uint8_t> ConvertOnce(CPCMConvert& c, const std::vector<uint8_t>& in, uint32_t capacity = 100000) {
  std::vector<uint8_t> out(capacity);
  const int n = c.Convert(in.data(), uint32_t(in.size()), out.data(), capacity);
  EXPECT_GE(n, 0);
  out.resize(n > 0 ? size_t(n) : 0);
  return out;
}

std::vector<uint8_t> Bytes16(const std::vector<int16_t>& s) {
  std::vector<uint8_t> b(s.size() * 2);
  std::memcpy(b.data(), s.data(), b.size());
  return b;
}

// Converts a whole signal in 40 ms blocks, checking that every block after the first yields output,
// then flushes.
std::vector<uint8_t> Stream(CPCMConvert& c, const std::vector<uint8_t>& in, size_t blockBytes) {
  std::vector<uint8_t> all;
  std::vector<uint8_t> out(100000);
  for (size_t at = 0; at < in.size(); at += blockBytes) {
    const size_t n = std::min(blockBytes, in.size() - at);
    const int got = c.Convert(in.data() + at, uint32_t(n), out.data(), uint32_t(out.size()));
    EXPECT_GE(got, 0);
    if (at > 0 && n == blockBytes) {
      EXPECT_GT(got, 0) << "block at " << at << " gave nothing";
    }
    if (got > 0) all.insert(all.end(), out.begin(), out.begin() + got);
  }
  const int tail = c.Flush(out.data(), uint32_t(out.size()));
  EXPECT_GE(tail, 0);
  if (tail > 0) all.insert(all.end(), out.begin(), out.begin() + tail);
  return all;
}

}  // namespace

TEST(PcmConvert, ChannelRoutinesGiveExactValues) {
  struct Case {
    const char* name;
    WAVEFORMATEX from, to;
    std::vector<uint8_t> in, out;
  } cases[] = {
      {"8-bit mono to stereo", WaveUtilsMakePCMFormat(1, 8, 8000), WaveUtilsMakePCMFormat(2, 8, 8000),
       {0, 128, 255}, {0, 0, 128, 128, 255, 255}},
      {"8-bit stereo to mono: right / 2 + left / 2", WaveUtilsMakePCMFormat(2, 8, 8000),
       WaveUtilsMakePCMFormat(1, 8, 8000), {255, 255, 1, 0, 3, 5, 128, 128}, {254, 0, 3, 128}},
      {"16-bit mono to stereo", WaveUtilsMakePCMFormat(1, 16, 16000), WaveUtilsMakePCMFormat(2, 16, 16000),
       Bytes16({-32768, -1, 0, 32767}), Bytes16({-32768, -32768, -1, -1, 0, 0, 32767, 32767})},
      {"16-bit stereo to mono: halves truncated toward zero", WaveUtilsMakePCMFormat(2, 16, 16000),
       WaveUtilsMakePCMFormat(1, 16, 16000),
       Bytes16({32767, 32767, -32768, -32768, -1, -1, -3, 5, 100, -101}), Bytes16({32766, -32768, 0, 1, 0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CPCMConvert convert;
    ASSERT_EQ(convert.Init(&c.from, &c.to), 1);
    EXPECT_TRUE(convert.UsesChannelRoutine());
    EXPECT_FALSE(convert.UsesRateStage());
    EXPECT_EQ(ConvertOnce(convert, c.in), c.out);
  }
}

TEST(PcmConvert, WidthConversionGivesExactValues) {
  CPCMConvert widen;
  const WAVEFORMATEX u8 = WaveUtilsMakePCMFormat(1, 8, 8000);
  const WAVEFORMATEX s16 = WaveUtilsMakePCMFormat(1, 16, 8000);
  ASSERT_EQ(widen.Init(&u8, &s16), 1);
  EXPECT_EQ(ConvertOnce(widen, {0, 128, 255, 1}), Bytes16({-32768, 0, 32512, -32512}));

  CPCMConvert narrow;  // rounded to nearest, clamped
  ASSERT_EQ(narrow.Init(&s16, &u8), 1);
  EXPECT_FALSE(narrow.UsesChannelRoutine());
  EXPECT_TRUE(narrow.UsesRateStage());
  EXPECT_EQ(ConvertOnce(narrow, Bytes16({0, 127, 128, -128, -129, 32767, -32768})),
            (std::vector<uint8_t>{128, 128, 129, 128, 127, 255, 0}));
  EXPECT_EQ(narrow.Flush(nullptr, 0), 0);  // nothing held without a rate change
}

TEST(PcmConvert, RateChangesKeepTheToneLevelAndLength) {
  struct Case {
    const char* name;
    WAVEFORMATEX from, to;
    bool channelRoutine;
  } cases[] = {
      {"16000 to 44100 Hz mono, rate stage only", WaveUtilsMakePCMFormat(1, 16, 16000),
       WaveUtilsMakePCMFormat(1, 16, 44100), false},
      {"44100 to 16000 Hz mono", WaveUtilsMakePCMFormat(1, 16, 44100), WaveUtilsMakePCMFormat(1, 16, 16000), false},
      {"16000 Hz stereo to 8000 Hz 8-bit mono: channels first", WaveUtilsMakePCMFormat(2, 16, 16000),
       WaveUtilsMakePCMFormat(1, 8, 8000), true},
      {"8000 Hz 8-bit mono to 44100 Hz 16-bit", WaveUtilsMakePCMFormat(1, 8, 8000),
       WaveUtilsMakePCMFormat(1, 16, 44100), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CPCMConvert convert;
    ASSERT_EQ(convert.Init(&c.from, &c.to), 1);
    EXPECT_EQ(convert.UsesChannelRoutine(), c.channelRoutine);
    EXPECT_TRUE(convert.UsesRateStage());

    const int inRate = int(c.from.nSamplesPerSec), outRate = int(c.to.nSamplesPerSec);
    std::vector<int16_t> tone = Tone(inRate, c.from.nChannels, 700, 1.0, 0.5);
    std::vector<uint8_t> in;
    if (c.from.wBitsPerSample == 8) {
      for (int16_t s : tone) in.push_back(uint8_t((s >> 8) + 128));
    } else {
      in = Bytes16(tone);
    }
    const std::vector<uint8_t> out = Stream(convert, in, c.from.nBlockAlign * c.from.nSamplesPerSec / 25);
    std::vector<int16_t> got;
    if (c.to.wBitsPerSample == 8) {
      for (uint8_t b : out) got.push_back(int16_t((b - 128) * 256));
    } else {
      got = ToSamples(out.data(), out.size());
    }
    EXPECT_NEAR(double(got.size()), outRate, 1.0);  // exactly one second, once flushed
    EXPECT_NEAR(MeasuredFrequency(got, outRate, outRate / 10, outRate * 8 / 10), 700, 3);
    const double level = 20 * std::log10(Rms(got, outRate / 10, outRate * 8 / 10) / (0.5 * 32767 / std::sqrt(2)));
    EXPECT_NEAR(level, 0, 0.5) << "dB";
  }
}

TEST(PcmConvert, RefusesWhatItCannotDoAndNeverReportsAnErrorAsASize) {
  auto fmt = [](uint16_t channels, uint16_t bits, uint32_t rate) { return WaveUtilsMakePCMFormat(channels, bits, rate); };
  WAVEFORMATEX mp3 = fmt(1, 16, 16000);
  mp3.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  WAVEFORMATEX badAlign = fmt(1, 16, 16000);
  badAlign.nBlockAlign = 3;
  struct Case {
    const char* name;
    WAVEFORMATEX from, to;
    const char16_t* log;
  } cases[] = {
      {"24 bits with a channel change", fmt(2, 24, 16000), fmt(1, 24, 16000),
       u"Channel Conversion works fro 8 or 16 Bits only (Bits: 24)"},
      {"8 bits, 1 to 3 channels", fmt(1, 8, 8000), fmt(3, 8, 8000), u"8 Bit Channel Conversion Src: 1, Dst: 3"},
      {"not PCM", mp3, fmt(1, 16, 16000), u"Convert works with WAVE_FORMAT_PCM only"},
      {"24 bits at another rate", fmt(1, 24, 16000), fmt(1, 24, 44100), u"FAILED acmStreamOpen with Error Code: 1"},
      {"inconsistent block align", badAlign, fmt(1, 16, 8000), u"inconsistent PCM format"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    CPCMConvert convert;
    EXPECT_EQ(convert.Init(&c.from, &c.to), 0);
    EXPECT_TRUE(Logged(log, c.log)) << LogText(log);
  }

  CPCMConvert notSetUp;
  uint8_t out[16];
  EXPECT_EQ(notSetUp.Convert(out, 4, out, sizeof out), -1);

  CPCMConvert up;
  const WAVEFORMATEX from = fmt(1, 16, 16000), to = fmt(1, 16, 44100);
  ASSERT_EQ(up.Init(&from, &to), 1);
  const std::vector<uint8_t> block = Bytes16(Tone(16000, 1, 440, 0.04));
  EXPECT_EQ(up.Convert(block.data(), uint32_t(block.size()), out, sizeof out), -1);  // 1764 samples do not fit
  CPCMConvert stereo;
  const WAVEFORMATEX mono = fmt(1, 16, 16000), two = fmt(2, 16, 16000);
  ASSERT_EQ(stereo.Init(&mono, &two), 1);
  EXPECT_EQ(stereo.Convert(block.data(), uint32_t(block.size()), out, sizeof out), -1);
}
