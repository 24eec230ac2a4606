// Speed of the voice analysis, as the player runs it when it opens a recording: CVSA::Init on a
// one-minute recording (open, read, convert, analyse, normalise), as a multiple of real time.
//
// - WAV at 16000 Hz mono, the call recordings' format (a rate conversion to 11025 Hz included).
//   Target: x_realtime >= 200.
// - WAV at 11025 Hz mono: the analysis alone, no conversion.
// - MP3 at 16000 Hz mono, 32 kbit/s, made by the lame tool (decoding and rate conversion included).
//
// The analysis runs on its worker without a window, so no pause for the dialog's "Done" is timed.
// Targets are printed in the label, not asserted.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/fd_io.h"
#include "audio/vsa.h"
#include "audio/wave_utils.h"
#include "foundation/app_folders.h"
#include "foundation/language_tables.h"
#include "platform/text.h"

namespace {

constexpr double kSeconds = 60;

// A recording in the private temporary folder, removed when the run ends.
class Recording {
 public:
  explicit Recording(const char* extension) {
    const std::string base = qav::U8(GetTempFileNameWithPrefix(u"vsa-bench-"));
    if (base.empty()) return;
    path_ = base + extension;
    if (std::rename(base.c_str(), path_.c_str()) != 0) path_.clear();
  }
  ~Recording() {
    if (!path_.empty()) std::remove(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Voice-like: partials under a syllable envelope, with a slight 10 Hz tremor in the pitch.
bool WriteVoiceWav(const std::string& path, int rate) {
  std::vector<int16_t> s(static_cast<size_t>(rate * kSeconds));
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 3.0 * t);
    const double pitch = 140 + 4 * std::sin(2 * M_PI * 10.0 * t);
    const double v = 0.4 * std::sin(2 * M_PI * pitch * t) + 0.2 * std::sin(2 * M_PI * 3 * pitch * t) +
                     0.1 * std::sin(2 * M_PI * (900 + 300 * std::sin(t)) * t);
    s[i] = static_cast<int16_t>(envelope * v * 32767);
  }
  qav::FdCloser fd(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  const WAVEFORMATEX format = WaveUtilsMakePCMFormat(1, 16, static_cast<uint32_t>(rate));
  uint32_t offset = 0;
  return fd.get() >= 0 && WriteAudioFileHeaderFormat(fd.get(), &format, static_cast<uint32_t>(s.size() * 2), &offset) &&
         qav::WriteFully(fd.get(), s.data(), s.size() * 2);
}

void Analyse(benchmark::State& state, const std::string& path, const char* label) {
  LoadDefaultLangLib();
  qav::HeadlessProgressRunner noWindow;
  double seconds = 0;
  int64_t runs = 0;
  for (auto _ : state) {
    CVSA vsa;
    const auto start = std::chrono::steady_clock::now();
    if (vsa.Init(qav::U16(path), 0, &noWindow) != 1) {
      state.SkipWithError("the analysis failed");
      return;
    }
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++runs;
  }
  if (runs > 0) state.counters["x_realtime"] = kSeconds * static_cast<double>(runs) / seconds;
  state.SetLabel(label);
}

void BM_VoiceAnalysisWav(benchmark::State& state) {
  const int rate = static_cast<int>(state.range(0));
  const Recording wav(".wav");
  if (wav.path().empty() || !WriteVoiceWav(wav.path(), rate)) {
    state.SkipWithError("cannot write the recording");
    return;
  }
  Analyse(state, wav.path(), rate == 16000 ? "target: x_realtime >= 200" : "analysis alone, no conversion");
}
BENCHMARK(BM_VoiceAnalysisWav)->Arg(16000)->Arg(11025)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VoiceAnalysisMp3(benchmark::State& state) {
  const Recording wav(".wav");
  const Recording mp3(".mp3");
  // -t: no Info frame, which the program's reader refuses.
  if (wav.path().empty() || mp3.path().empty() || !WriteVoiceWav(wav.path(), 16000) ||
      std::system(("lame --quiet -t --cbr -b 32 -m m '" + wav.path() + "' '" + mp3.path() + "'").c_str()) != 0) {
    state.SkipWithError("cannot make the MP3 recording (is lame installed?)");
    return;
  }
  Analyse(state, mp3.path(), "MP3 16000 Hz 32 kbit/s: decoding and conversion included");
}
BENCHMARK(BM_VoiceAnalysisMp3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
