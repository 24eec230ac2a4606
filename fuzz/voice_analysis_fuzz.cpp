// The voice analysis of a recording: a WAV or MP3 file read, decoded, converted and measured block
// by block, the way the analysis of a saved message runs it (here without a progress window).
//
// The first byte picks the file's kind (bit 0: MP3) and the channel analysed (bits 1-2).
#include <cstddef>
#include <cstdint>

#include "audio/progress_job.h"
#include "audio/vsa.h"
#include "fuzz/fuzz_support.h"
#include "platform/text.h"

namespace {

// Runs the job on the calling thread, as a dialog's worker would, with nothing to show.
class InlineRunner : public qav::ProgressDialogRunner {
 public:
  int RunModal(std::u16string_view, qav::ProgressJob job) override {
    struct Silent : qav::ProgressJobContext {
      bool IsTerminated() const override { return false; }
      void PostPosition(int) override {}
      void PostText(std::u16string) override {}
      void Linger(std::chrono::milliseconds) override {}
    } context;
    return qav::RunProgressJobGuarded(job, context);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t choice = qav::fuzz::TakeByte(input);
  const std::string path = qav::fuzz::WriteFile((choice & 1) ? "message.mp3" : "message.wav", input);
  InlineRunner runner;
  CVSA analysis;
  if (analysis.Init(qav::U16(path), (choice >> 1) % 3, &runner)) {
    // The lookups the message page makes while it plays the message, over the whole file.
    for (int64_t offset = 0; offset <= static_cast<int64_t>(size) + 4096; offset += 1024) {
      analysis.GetMeterAtOffset(offset);
      analysis.GetLevelAtOffset(offset);
    }
  }
  return 0;
}
