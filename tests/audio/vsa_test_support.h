// Helpers for the voice analysis tests: recordings made of samples in memory, and a progress dialog
// stand-in that runs the job on a worker thread, records what it posts and can cancel it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/progress_job.h"
#include "audio/vsa_block_source.h"

namespace qav::test {

// A recording of 16-bit samples at 11025 Hz whose audio starts at `dataOffset` in its "file":
// blocks are read as a WAV is (a short last block is returned with what there is, an empty read
// as the end), or, with
// `endsWithoutPartialBlock`, as an MP3 is (a block the file ends in is not returned).
class SampleBlockSource : public VsaBlockSource {
 public:
  SampleBlockSource(std::vector<int16_t> samples, int channels, int64_t dataOffset = 46);

  int Channels() const override { return m_channels; }
  int64_t Position() override;
  int64_t FileLength() const override;
  void Prepare() override;
  VsaBlockRead ReadBlock(std::vector<int16_t>* samples) override;
  void Finish() noexcept override;

  // Throws this fault from ReadBlock call number `blockNumber` (0-based), or from Prepare with -1.
  void ThrowAt(int blockNumber, VsaSourceFault fault) {
    m_throwAt = blockNumber;
    m_throwFault = fault;
  }
  bool endsWithoutPartialBlock = false;

  int blocksRead() const { return m_blocksRead; }
  int finishCount() const { return m_finishCount; }
  bool prepared() const { return m_prepared; }

 private:
  std::vector<int16_t> m_samples;
  int m_channels;
  int64_t m_dataOffset;
  size_t m_frame = 0;
  int m_blocksRead = 0;
  int m_finishCount = 0;
  bool m_prepared = false;
  int m_throwAt = -2;
  VsaSourceFault m_throwFault = VsaSourceFault::kReadFailed;
};

// One message a job posted, or a linger.
struct PostedMessage {
  enum Kind { kPosition, kText, kLinger } kind;
  int number = 0;  // the position, or the linger in milliseconds
  std::u16string text;
};

// Runs the job on a worker thread as the progress dialog does. When `cancelAfterPositions` is set,
// the user "presses Cancel" once that many positions have been posted: the terminate flag is set
// and RunModal returns 0x10002 at once, while the job goes on until it looks at the flag.
class RecordingProgressRunner : public ProgressDialogRunner {
 public:
  ~RecordingProgressRunner() override;
  int RunModal(std::u16string_view title, ProgressJob job) override;

  int cancelAfterPositions = -1;
  std::u16string title;
  std::vector<PostedMessage> Messages() const;
  bool PostedAfterTerminate() const { return m_context.postedAfterTerminate; }

 private:
  class Context : public ProgressJobContext {
   public:
    bool IsTerminated() const override { return terminated.load(); }
    void PostPosition(int percent) override;
    void PostText(std::u16string text) override;
    void Linger(std::chrono::milliseconds duration) override;
    void Record(PostedMessage message);

    RecordingProgressRunner* runner = nullptr;
    std::atomic<bool> terminated{false};
    bool postedAfterTerminate = false;
    int positions = 0;
    std::vector<PostedMessage> messages;
  };

  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_jobEnded = false;
  int m_result = kProgressJobFailed;
  Context m_context;
  std::thread m_worker;
};

// Silence, and a sine of that amplitude (full scale 32767), at 11025 Hz.
std::vector<int16_t> Silence(size_t frames);
std::vector<int16_t> Sine(size_t frames, double frequency, double amplitude);
// Reproducible white noise within +-amplitude.
std::vector<int16_t> Noise(size_t frames, int amplitude, uint32_t seed = 1);
// Two mono signals as one stereo signal (the shorter padded with silence).
std::vector<int16_t> Interleave(const std::vector<int16_t>& left, const std::vector<int16_t>& right);
std::vector<int16_t> Concat(std::vector<int16_t> a, const std::vector<int16_t>& b);

}  // namespace qav::test
