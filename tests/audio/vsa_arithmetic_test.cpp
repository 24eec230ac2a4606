// The arithmetic of the voice analysis: the window, the Fourier magnitudes, the value and the
// level of the ring, the normalisation of the entries and the lookups the player makes.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "audio/vsa_block_analyser.h"
#include "audio/vsa_results.h"
#include "tests/audio/vsa_test_support.h"

namespace {

using qav::VsaBlockAnalyser;
using qav::kVsaBlockSamples;
using qav::kVsaRingBlocks;

// Fills the whole ring with consecutive blocks of a mono signal of at least 8 blocks.
void FillRing(VsaBlockAnalyser& analyser, const std::vector<int16_t>& signal) {
  analyser.Clear();
  for (int b = 0; b < kVsaRingBlocks; ++b) analyser.AddBlock(signal.data() + b * kVsaBlockSamples, kVsaBlockSamples, 1, 0);
}

// The magnitudes by their definition: one cosine and one sine per sample.
VsaBlockAnalyser::Magnitudes DirectMagnitudes(const VsaBlockAnalyser& analyser) {
  VsaBlockAnalyser::Magnitudes out{};
  for (int i = 0; i < qav::kVsaFrequencyCount; ++i) {
    const double b = (95 + 6 * i) * std::numbers::pi / 65536;
    double re = 0, im = 0;
    for (int n = 0; n < qav::kVsaWindowSamples; ++n) {
      re += analyser.WindowedAt(n) * std::cos(b * n);
      im += analyser.WindowedAt(n) * std::sin(b * n);
    }
    out[static_cast<size_t>(i)] = std::sqrt(re * re + im * im);
  }
  return out;
}

constexpr size_t kRingFrames = kVsaBlockSamples * kVsaRingBlocks;

TEST(VsaBlockAnalyserTest, WindowRisesFromZeroToTwoAndBackSymmetrically) {
  VsaBlockAnalyser analyser;
  EXPECT_EQ(analyser.WindowAt(0), 0.0);
  EXPECT_NEAR(analyser.WindowAt(4096), 1.0, 1e-12);
  EXPECT_NEAR(analyser.WindowAt(8192), 2.0, 1e-12);
  for (int i : {1, 100, 4000, 8191}) EXPECT_NEAR(analyser.WindowAt(i), analyser.WindowAt(16384 - i), 1e-12) << i;
}

TEST(VsaBlockAnalyserTest, RecurrenceMagnitudesAgreeWithTheDirectSums) {
  const std::vector<std::vector<int16_t>> signals = {
      qav::test::Noise(kRingFrames, 32767, 1), qav::test::Sine(kRingFrames, 10.0, 12000), qav::test::Sine(kRingFrames, 300.0, 30000),
      qav::test::Concat(qav::test::Silence(kRingFrames / 2), qav::test::Noise(kRingFrames / 2, 32767, 7))};
  VsaBlockAnalyser analyser;
  for (size_t s = 0; s < signals.size(); ++s) {
    FillRing(analyser, signals[s]);
    const auto fast = analyser.ComputeMagnitudes();
    const auto direct = DirectMagnitudes(analyser);
    for (size_t i = 0; i < fast.size(); ++i) {
      EXPECT_NEAR(fast[i], direct[i], 1e-7 * direct[i] + 1e-6) << "signal " << s << " frequency " << i;
    }
    EXPECT_EQ(analyser.Value(), VsaBlockAnalyser::ValueOfMagnitudes(direct)) << "signal " << s;
  }
}

TEST(VsaBlockAnalyserTest, ValueIsWhereTheStretchedMagnitudesReachHalfTheirSum) {
  struct Case {
    const char* name;
    VsaBlockAnalyser::Magnitudes m;
    uint16_t value;
  } cases[] = {
      {"silence", {0, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
      {"flat", {3, 3, 3, 3, 3, 3, 3, 3, 3}, 20},        // 41 equal points: 21 reach half
      {"all at the lowest", {1, 0, 0, 0, 0, 0, 0, 0, 0}, 1},   // 1, .8, .6, .4, .2 of 3
      {"all at the highest", {0, 0, 0, 0, 0, 0, 0, 0, 1}, 39},  // .2, .4, .6, .8, 1 of 3
      {"a peak in the middle", {0, 0, 0, 0, 5, 0, 0, 0, 0}, 20},
      {"the lower half", {1, 1, 1, 1, 0, 0, 0, 0, 0}, 8},  // 9 of the sum 18 by point 8
  };
  for (const Case& c : cases) EXPECT_EQ(VsaBlockAnalyser::ValueOfMagnitudes(c.m), c.value) << c.name;
}

TEST(VsaBlockAnalyserTest, ValueRisesWithTheFrequencyOfTheTremor) {
  VsaBlockAnalyser analyser;
  int previous = -1;
  for (double hz : {8.0, 8.75, 9.5, 10.0, 10.5, 11.25, 12.0}) {
    FillRing(analyser, qav::test::Sine(kRingFrames, hz, 10000));
    const int value = analyser.Value();
    EXPECT_GT(value, previous) << hz << " Hz";
    if (hz == 10.0) {
      EXPECT_NEAR(value, 20, 2);
    }
    previous = value;
  }
}

TEST(VsaBlockAnalyserTest, LevelComesFromTheMiddleSlotsInSlotOrderWhicheverWasWrittenLast) {
  VsaBlockAnalyser analyser;
  double lowerHalf = 0, upperHalf = 0;  // window sums over the two halves the level reads
  for (int i = 7168; i < 8192; ++i) lowerHalf += analyser.WindowAt(i);
  for (int i = 8192; i <= 9215; ++i) upperHalf += analyser.WindowAt(i);

  // Block n holds the constant 100 x (n + 1), so each level tells which blocks sit in slots 3 and 4.
  std::vector<int16_t> block(kVsaBlockSamples);
  for (int n = 0; n < 14; ++n) {
    std::fill(block.begin(), block.end(), static_cast<int16_t>(100 * (n + 1)));
    analyser.AddBlock(block.data(), block.size(), 1, 0);
    auto heldIn = [&](int slot) {  // the constant of the last block written to the slot, 0 if none
      const int last = n - ((n - slot) % 8 + 8) % 8;
      return last >= 0 && last <= n ? 100.0 * (last + 1) : 0.0;
    };
    const double expected = (heldIn(3) * lowerHalf + heldIn(4) * upperHalf) / 8192;
    EXPECT_NEAR(analyser.Level(), expected, 1.0) << "after block " << n;
  }
  EXPECT_EQ(analyser.NextSlot(), 14 % 8);
}

TEST(VsaBlockAnalyserTest, TakesTheChosenChannelAndLeavesTheRestOfAShortBlockSilent) {
  VsaBlockAnalyser analyser;
  const std::vector<int16_t> stereo = qav::test::Interleave(std::vector<int16_t>(kVsaBlockSamples, 1000),
                                                            std::vector<int16_t>(kVsaBlockSamples, -3000));
  const int middleSlot = 4;
  int levels[3] = {};
  for (int choice : {1, 2}) {
    analyser.Clear();
    for (int b = 0; b < kVsaRingBlocks; ++b) analyser.AddBlock(stereo.data(), kVsaBlockSamples, 2, choice);
    const double expected = choice == 1 ? 1000 : -3000;
    EXPECT_NEAR(analyser.WindowedAt(middleSlot * kVsaBlockSamples), expected * analyser.WindowAt(8192), 1e-9);
    levels[choice] = analyser.Level();
  }
  EXPECT_GT(levels[1], 0);
  EXPECT_NEAR(levels[2], 3 * levels[1], 3);
  analyser.Clear();
  for (int b = 0; b < kVsaRingBlocks; ++b) analyser.AddBlock(stereo.data(), b == middleSlot ? 500 : kVsaBlockSamples, 2, 1);
  EXPECT_NE(analyser.WindowedAt(middleSlot * kVsaBlockSamples + 499), 0.0);
  EXPECT_EQ(analyser.WindowedAt(middleSlot * kVsaBlockSamples + 500), 0.0);
  EXPECT_EQ(analyser.WindowedAt(middleSlot * kVsaBlockSamples + 2047), 0.0);
}

// ---- results ---------------------------------------------------------------------------------

TEST(VsaMeterTest, FollowsTheTableOfPercentages) {
  const struct {
    int p, meter;
  } cases[] = {{-5, 2},  {0, 2},  {1, 10},  {10, 13}, {49, 24}, {50, 30}, {69, 44},  {70, 40},
               {84, 58}, {85, 60}, {94, 78}, {95, 80}, {99, 96}, {100, 100}, {101, -1}};
  for (const auto& c : cases) EXPECT_EQ(qav::VsaMeterFromPercent(c.p), c.meter) << "p = " << c.p;
}

// Start entry, four blocks, closing entry at offsets 100, 200, ..., 500 and 900.
qav::VsaResults SixEntries() {
  qav::VsaResults results;
  const struct {
    uint16_t value, level;
    int64_t offset;
  } entries[] = {{0, 0, 100}, {10, 50, 200}, {20, 100, 300}, {30, 10, 400}, {25, 60, 500}, {0, 0, 900}};
  for (const auto& e : entries) results.Append(e.value, e.level, e.offset);
  results.Normalise();
  return results;
}

TEST(VsaResultsTest, NormalisationDropsValuesBelowTheMeanLevelAndScalesLevels) {
  qav::VsaResults r = SixEntries();
  // Mean level 220 / 6 = 36: the entries with levels 0, 10 and 0 lose their values.
  EXPECT_EQ(r.GetMinimumValue(), 10);
  EXPECT_EQ(r.GetMaximumValue(), 25);
  EXPECT_EQ(r.GetRange(), 16);
  const int values[] = {0, 10, 20, 0, 25, 0};
  const int levels[] = {0, 50, 100, 10, 60, 0};
  const int percents[] = {0, 0, 62, 0, 93, 0};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(r.GetValueAt(i), values[i]) << i;
    EXPECT_EQ(r.GetLevelAt(i), levels[i]) << i;
    EXPECT_EQ(r.GetValuePercentAt(i), percents[i]) << i;
  }
  for (int outside : {-1, 6, 7}) {
    EXPECT_EQ(r.GetValuePercentAt(outside), -1) << outside;  // 6 is the count: one past the end
    EXPECT_EQ(r.GetLevelAt(outside), -1) << outside;
  }
}

TEST(VsaResultsTest, LevelsScaleToTheLargestAndSilenceKeepsEveryValue) {
  qav::VsaResults r;
  for (uint16_t level : {0, 0, 0}) r.Append(0, level, 10 * r.GetCount());
  r.Normalise();
  EXPECT_EQ(r.GetRange(), 1);
  EXPECT_EQ(r.GetMinimumValue(), 0);
  EXPECT_EQ(r.GetLevelAt(1), 0);

  qav::VsaResults big;
  big.Append(7, 16384, 0);
  big.Append(9, 8192, 10);
  big.Normalise();
  EXPECT_EQ(big.GetLevelAt(0), 100);
  EXPECT_EQ(big.GetLevelAt(1), 50);
}

TEST(VsaResultsTest, OffsetSearchWalksBothWaysFromWhereItEnded) {
  qav::VsaResults r = SixEntries();
  const struct {
    int64_t offset;
    int index, meter, level;
  } steps[] = {
      {150, 0, 2, 0},    {200, 1, 2, 50},  {299, 1, 2, 50},    {450, 3, 2, 10},  {350, 2, 39, 100},
      {99, -1, -1, -1},  {600, 4, 76, 60}, {899, 4, 76, 60},   {900, -1, -1, -1}, {5000, -1, -1, -1},
      {300, 2, 39, 100}, {100, 0, 2, 0},   {-1, -1, -1, -1},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(r.GetBlockIndexAtOffset(s.offset), s.index) << s.offset;
    EXPECT_EQ(r.GetMeterAtOffset(s.offset), s.meter) << s.offset;
    EXPECT_EQ(r.GetLevelAtOffset(s.offset), s.level) << s.offset;
  }
  r.Reset();
  EXPECT_EQ(r.GetCount(), 0);
  EXPECT_EQ(r.GetBlockIndexAtOffset(100), -1);
  EXPECT_EQ(r.GetValuePercentAt(0), -1);
}

}  // namespace
