// The voice analysis run as the progress dialog's worker runs it: entries, progress messages,
// recordings too short or of the wrong kind, cancelling, and failures thrown while reading.
#include <gtest/gtest.h>

#include <memory>

#include "audio/vsa.h"
#include "foundation/language_tables.h"
#include "platform/text.h"
#include "tests/audio/vsa_test_support.h"
#include "tests/support/log_capture.h"

namespace {

using qav::kVsaBlockSamples;
using qav::test::PostedMessage;
using qav::test::RecordingProgressRunner;
using qav::test::SampleBlockSource;

constexpr int64_t kDataOffset = 46;
constexpr int64_t kBlockBytes = kVsaBlockSamples * 2;

class VsaWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadDefaultLangLib(); }

  static std::vector<int16_t> Loud(double blocks) {
    return qav::test::Sine(static_cast<size_t>(blocks * kVsaBlockSamples), 10.0, 12000);
  }
  static std::vector<int16_t> Quiet(double blocks) {
    return qav::test::Silence(static_cast<size_t>(blocks * kVsaBlockSamples));
  }

  const std::u16string text = u"Processing Voice Stress Analysis information";
  CVSA vsa;
};

TEST_F(VsaWorkerTest, StoresAnEntryPerBlockAfterTheSeventhAndClosesPastTheFileEnd) {
  // 10 loud blocks, then 10 silent ones.
  SampleBlockSource source(qav::test::Concat(Loud(10), Quiet(10)), 1, kDataOffset);
  RecordingProgressRunner dialog;
  ASSERT_EQ(vsa.Analyse(source, 0, &dialog), 1);

  // Entry 0 at the data start, one per block 8 to 20, the closing entry.
  const int64_t end = kDataOffset + 20 * kBlockBytes + CVSA::kClosingEntryDistance;
  ASSERT_EQ(vsa.GetCount(), 1 + 13 + 1);
  const qav::VsaResults& r = vsa.Results();
  EXPECT_EQ(r.GetOffsetAt(0), kDataOffset);
  for (int i = 1; i <= 13; ++i) EXPECT_EQ(r.GetOffsetAt(i), kDataOffset + (6 + i) * kBlockBytes) << i;
  EXPECT_EQ(r.GetOffsetAt(14), end);

  // The level reads ring slots 3 and 4: loud until blocks 11 and 12 have overwritten both.
  int largest = 0;
  for (int i = 1; i <= 13; ++i) {
    const int block = 6 + i;
    largest = std::max(largest, vsa.GetLevelAt(i));
    if (block <= 11) {
      EXPECT_GT(vsa.GetLevelAt(i), 0) << block;
      EXPECT_GT(r.GetValueAt(i), 0) << block;
    } else {
      EXPECT_EQ(vsa.GetLevelAt(i), 0) << block;
      EXPECT_EQ(r.GetValueAt(i), 0) << block;  // below the mean level
      EXPECT_EQ(vsa.GetMeterAtOffset(r.GetOffsetAt(i)), 2) << block;
    }
  }
  EXPECT_EQ(largest, 100);
  EXPECT_EQ(vsa.GetBlockIndexAtOffset(end), -1);
  EXPECT_EQ(source.finishCount(), 1);

  // The dialog: the title, the text, text and position per entry, "Done", 100, a pause.
  EXPECT_EQ(dialog.title, text);
  const std::vector<PostedMessage> posted = dialog.Messages();
  ASSERT_EQ(posted.size(), 1 + 2 * 13 + 3u);
  EXPECT_EQ(posted[0].text, text);
  for (int i = 1; i <= 13; ++i) {
    const int percent = static_cast<int>(r.GetOffsetAt(i) * 100 / end);
    const PostedMessage& t = posted[static_cast<size_t>(2 * i - 1)];
    const PostedMessage& p = posted[static_cast<size_t>(2 * i)];
    EXPECT_EQ(t.kind, PostedMessage::kText);
    EXPECT_EQ(t.text, qav::Format(u"%s   [%d%%]", text, percent));
    EXPECT_EQ(p.kind, PostedMessage::kPosition);
    EXPECT_EQ(p.number, percent);
  }
  EXPECT_EQ(posted[27].text, text + u"   [Done]");
  EXPECT_EQ(posted[28].kind, PostedMessage::kPosition);
  EXPECT_EQ(posted[28].number, 100);
  EXPECT_EQ(posted[29].kind, PostedMessage::kLinger);
  EXPECT_EQ(posted[29].number, 100);
}

TEST_F(VsaWorkerTest, AShortLastBlockIsAnalysedWhenReadAsWaveAndDroppedWhenReadAsMpeg) {
  for (bool mpeg : {false, true}) {
    SampleBlockSource source(Loud(10.5), 1);
    source.endsWithoutPartialBlock = mpeg;
    RecordingProgressRunner dialog;
    ASSERT_EQ(vsa.Analyse(source, 0, &dialog), 1) << mpeg;
    EXPECT_EQ(vsa.GetCount(), mpeg ? 1 + 3 + 1 : 1 + 4 + 1) << mpeg;
  }
}

TEST_F(VsaWorkerTest, ARecordingShorterThanEightBlocksFails) {
  for (double blocks : {0.0, 3.0, 6.9, 7.0, 7.9}) {
    SampleBlockSource source(Loud(blocks), 1);
    RecordingProgressRunner dialog;
    EXPECT_EQ(vsa.Analyse(source, 0, &dialog), 0) << blocks;
    EXPECT_EQ(vsa.GetCount(), 0) << blocks;
    EXPECT_EQ(vsa.GetValuePercentAt(0), -1) << blocks;
    EXPECT_EQ(source.finishCount(), 1) << blocks;
  }
  SampleBlockSource eight(Loud(8), 1);
  EXPECT_EQ(vsa.Analyse(eight, 0, nullptr), 1);
  EXPECT_EQ(vsa.GetCount(), 1 + 1 + 1);
}

TEST_F(VsaWorkerTest, StereoIsAnalysedOnlyOnTheChosenChannel) {
  const std::vector<int16_t> leftLoud = qav::test::Interleave(Loud(12), Quiet(12));
  struct Case {
    int choice;
    int result, count;
    bool levels;
  } cases[] = {{0, 0, 2, false}, {3, 0, 2, false}, {1, 1, 7, true}, {2, 1, 7, false}};
  for (const Case& c : cases) {
    SampleBlockSource source(leftLoud, 2);
    RecordingProgressRunner dialog;
    EXPECT_EQ(vsa.Analyse(source, c.choice, &dialog), c.result) << c.choice;
    ASSERT_EQ(vsa.GetCount(), c.count) << c.choice;
    EXPECT_EQ(source.prepared(), c.count > 2) << c.choice;
    EXPECT_EQ(vsa.GetLevelAt(1) > 0, c.levels) << c.choice;
    EXPECT_EQ(vsa.Results().GetOffsetAt(c.count - 1), source.FileLength() + 256) << c.choice;
  }
  // A mono recording is analysed whatever the choice.
  SampleBlockSource mono(Loud(9), 1);
  EXPECT_EQ(vsa.Analyse(mono, 2, nullptr), 1);
  EXPECT_EQ(vsa.GetChannelChoice(), 0);
}

TEST_F(VsaWorkerTest, CancellingStopsTheLoopAndKeepsTheEntriesSoFarNormalised) {
  auto source = std::make_unique<SampleBlockSource>(Loud(200), 1);
  RecordingProgressRunner dialog;
  dialog.cancelAfterPositions = 3;
  EXPECT_EQ(vsa.Analyse(*source, 0, &dialog), 0);
  // Analyse returned only after the worker let go: the source can go at once.
  EXPECT_EQ(source->finishCount(), 1);
  EXPECT_EQ(source->blocksRead(), 7 + 3);
  source.reset();

  ASSERT_EQ(vsa.GetCount(), 1 + 3 + 1);
  EXPECT_EQ(vsa.Results().GetOffsetAt(4), kDataOffset + 200 * kBlockBytes + 256);
  int largest = 0;
  for (int i = 0; i < 5; ++i) largest = std::max(largest, vsa.GetLevelAt(i));
  EXPECT_EQ(largest, 100);
  EXPECT_FALSE(dialog.PostedAfterTerminate());
}

TEST_F(VsaWorkerTest, ASourceErrorThrownWhileReadingFailsTheAnalysisOnTheWorker) {
  qav::test::LogCapture log;
  for (int at : {-1, 2, 9}) {  // setting up, priming, in the loop
    SampleBlockSource source(Loud(20), 1);
    source.ThrowAt(at, qav::VsaSourceFault::kConversionFailed);
    EXPECT_EQ(vsa.Analyse(source, 0, nullptr), 0) << at;
    EXPECT_EQ(vsa.GetCount(), 0) << at;
    EXPECT_EQ(source.finishCount(), 1) << at;
  }
  EXPECT_TRUE(log.Has(LOG_SEVERE, u"CVSA::RunWorker [ERROR 5 while reading the recording]"));
}

// A dialog whose worker thread could not be started: it reports failure and keeps the job.
class UnstartedDialog : public qav::ProgressDialogRunner {
 public:
  int RunModal(std::u16string_view, qav::ProgressJob job) override {
    kept = std::move(job);
    return qav::kProgressJobFailed;
  }
  qav::ProgressJob kept;
};

TEST_F(VsaWorkerTest, AJobStartedAfterTheCallerGaveUpDoesNothing) {
  UnstartedDialog dialog;
  qav::ProgressJob late;
  {
    SampleBlockSource source(Loud(9), 1);
    EXPECT_EQ(vsa.Analyse(source, 0, &dialog), 0);
    EXPECT_EQ(source.blocksRead(), 0);
    late = dialog.kept;
  }
  RecordingProgressRunner context;  // any context will do; the job must not touch the source
  EXPECT_EQ(context.RunModal(u"late", late), qav::kProgressJobFailed);
}

TEST(ProgressJobTest, TheWorkerReportsSuccessOnlyForAJobThatReturnedOne) {
  struct Case {
    const char* name;
    qav::ProgressJob job;
    int result;
  } cases[] = {
      {"returns 1", [](qav::ProgressJobContext&) { return 1; }, qav::kProgressJobSucceeded},
      {"returns 0", [](qav::ProgressJobContext&) { return 0; }, qav::kProgressJobFailed},
      {"returns 5", [](qav::ProgressJobContext&) { return 5; }, qav::kProgressJobFailed},
      {"throws an int", [](qav::ProgressJobContext&) -> int { throw 3; }, qav::kProgressJobFailed},
      {"throws", [](qav::ProgressJobContext&) -> int { throw std::runtime_error("x"); }, qav::kProgressJobFailed},
      {"no job", nullptr, qav::kProgressJobFailed},
  };
  for (const Case& c : cases) {
    qav::HeadlessProgressRunner headless;
    EXPECT_EQ(headless.RunModal(u"job", c.job), c.result) << c.name;
  }
}

}  // namespace
