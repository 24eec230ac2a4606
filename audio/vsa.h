// CVSA: the voice stress analysis of a recorded WAV or MP3, from which the player draws its meter
// while the file plays.
//
// The analysis reads the recording block by block (2048 samples of 16-bit mono at 11025 Hz, the
// chosen channel of a stereo file), keeps the last eight blocks in a ring and, for each block
// after the seventh, stores the block's byte offset in the file with a level and a value computed
// over the ring (audio/vsa_block_analyser.h). After the last block the results are normalised
// (audio/vsa_results.h).
//
// It runs on the worker of the modal progress dialog (audio/progress_job.h): Init returns once the
// dialog has ended and the worker has let go of the object. Until then only the worker touches it;
// afterwards the caller's thread reads the results.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

#include "audio/progress_job.h"
#include "audio/vsa_block_analyser.h"
#include "audio/vsa_block_source.h"
#include "audio/vsa_results.h"

class CVSA {
 public:
  // The closing entry lies this far past the end of the file.
  static constexpr int64_t kClosingEntryDistance = 256;
  // How long "Done" stays in view before the dialog closes.
  static constexpr std::chrono::milliseconds kDoneLinger{100};

  CVSA();

  // Analyses the recording at `path` (".wav" or ".mp3", either case) as Analyse does. A path of
  // any other kind only clears the results; a file that cannot be opened or read gives 0.
  int Init(std::u16string_view path, int channelChoice, qav::ProgressDialogRunner* dialog = nullptr);

  // Analyses the recording behind the progress dialog, from a source opened at the start of its
  // audio; `channelChoice` is 0 for a mono recording, 1 or 2 for the left or right channel of a
  // stereo one. Returns 1 when the analysis ran to its end - for a stereo file only with choice 1
  // or 2, for a mono file with any choice - else 0. Without a dialog the analysis runs on a worker
  // with no window. Returns only once the worker has let go of the object and the source.
  int Analyse(qav::VsaBlockSource& source, int channelChoice, qav::ProgressDialogRunner* dialog = nullptr);

  // The analysis itself, as the dialog's worker runs it: 1 when it ran to its end (also for a
  // file it does not analyse, such as stereo with choice 0), 0 when the file is too short or
  // reading fails. An int thrown while reading or converting is caught here and fails the run.
  int RunWorker(qav::VsaBlockSource& source, qav::ProgressJobContext& progress);

  void Reset();

  int GetCount() const { return m_results.GetCount(); }
  int GetValuePercentAt(int i) const { return m_results.GetValuePercentAt(i); }
  int GetLevelAt(int i) const { return m_results.GetLevelAt(i); }
  int GetBlockIndexAtOffset(int64_t offset) { return m_results.GetBlockIndexAtOffset(offset); }
  int GetMeterAtOffset(int64_t offset) { return m_results.GetMeterAtOffset(offset); }
  int GetLevelAtOffset(int64_t offset) { return m_results.GetLevelAtOffset(offset); }
  const qav::VsaResults& Results() const { return m_results; }
  int GetChannelChoice() const { return m_channelChoice; }

 private:
  int AnalyseBlocks(qav::VsaBlockSource& source, qav::ProgressJobContext& progress);
  void AddBlockToRing(int channels);
  static void PostText(qav::ProgressJobContext& progress, std::u16string text);
  static void PostPosition(qav::ProgressJobContext& progress, int percent);

  qav::VsaBlockAnalyser m_analyser;
  qav::VsaResults m_results;
  std::vector<int16_t> m_block;
  int m_channelChoice = qav::kVsaChannelMono;
};
