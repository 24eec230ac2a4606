// Speed of the audio format conversions.
//
// - Rate conversion of a WAV file, file to file, 16000 -> 44100 Hz and 44100 -> 16000 Hz, against
//   the sox command on the same input at the same quality (soxr's low quality; "rate -l").
//   Target: speed_vs_sox >= 1.
// - MP3 encoding of a WAV file at the program's bit rates, as a multiple of real time, against the
//   lame command on the same input with the same settings (CBR, no bit reservoir, no Info frame).
//   Target: speed_vs_lame >= 0.95.
// - Microseconds per 40 ms block for each conversion the call path uses. Target: under 400 us (1%
//   of the block); block_share_pct is the share of the block's duration, in percent.
//
// Each ratio is measured against a baseline run in the same process run. Targets are printed in
// the label, not asserted.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/mpeg_convert.h"
#include "audio/mpeg_utils.h"
#include "audio/pcm_convert.h"
#include "audio/wave_utils.h"
#include "platform/text.h"

namespace {

using Clock = std::chrono::steady_clock;

// A private folder for the run's files, removed at exit.
class BenchDir {
 public:
  BenchDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qav-bench-XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~BenchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

const BenchDir& Dir() {
  static BenchDir dir;
  return dir;
}

std::vector<int16_t> Tone(int rate, int channels, double seconds) {
  const size_t frames = size_t(rate * seconds);
  std::vector<int16_t> s(frames * size_t(channels));
  for (size_t i = 0; i < frames; ++i) {
    // Speech-like: a few partials that wander, so the encoder has work to do.
    const double t = double(i) / rate;
    const double v = 0.3 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * (700 + 200 * std::sin(t)) * t) +
                     0.1 * std::sin(2 * M_PI * 2300 * t);
    for (int c = 0; c < channels; ++c) s[i * size_t(channels) + size_t(c)] = int16_t(v * 32767 / (c + 1));
  }
  return s;
}

std::string WriteInput(int rate, int channels, double seconds) {
  const std::string path =
      Dir().File("in_" + std::to_string(rate) + "_" + std::to_string(channels) + ".wav");
  if (std::filesystem::exists(path)) return path;
  const std::vector<int16_t> s = Tone(rate, channels, seconds);
  qav::FdCloser fd(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600));
  const WAVEFORMATEX f = WaveUtilsMakePCMFormat(uint16_t(channels), 16, uint32_t(rate));
  uint32_t offset = 0;
  WriteAudioFileHeaderFormat(fd.get(), &f, uint32_t(s.size() * 2), &offset);
  qav::WriteFully(fd.get(), s.data(), s.size() * 2);
  return path;
}

// The median wall time of a shell command, in seconds.
double TimeCommand(const std::string& command, int runs = 3) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) return NAN;
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// File to file through a converter: read the input WAV's data in 40 ms blocks, convert, write.
// Returns false when something fails.
bool ConvertFile(const std::string& in, const std::string& out, CAudioFormatConverter& converter, bool mp3Output,
                 size_t blockBytes) {
  qav::FdCloser src(::open(in.c_str(), O_RDONLY));
  WAVEFORMATEX format{};
  uint32_t offset = 0, size = 0;
  if (!WaveUtilsReadAudioFileHeaderFormat(src.get(), &format, kWaveFormatExSize, &offset, &size)) return false;
  int dst = -1;
  uint32_t dataOffset = 0;
  const bool prepared = mp3Output ? qav::PrepareAudioFileForWritingMPEG(qav::U16(out), u"bench", &dst)
                                  : qav::PrepareAudioFileForWritingWave(qav::U16(out), converter.GetDestinationFormat(),
                                                                        0, &dataOffset, &dst);
  if (!prepared) return false;
  std::vector<uint8_t> block(blockBytes), result(100000);
  uint64_t remaining = size, written = 0;
  bool ok = true;
  while (remaining > 0 && ok) {
    const int64_t n = qav::ReadUpTo(src.get(), block.data(), std::min<uint64_t>(blockBytes, remaining));
    if (n <= 0) break;
    remaining -= uint64_t(n);
    const int got = converter.Convert(block.data(), uint32_t(n), result.data(), uint32_t(result.size()));
    ok = got >= 0 && qav::WriteFully(dst, result.data(), size_t(got));
    written += uint64_t(std::max(got, 0));
  }
  const int tail = converter.Flush(result.data(), uint32_t(result.size()));
  ok = ok && tail >= 0 && qav::WriteFully(dst, result.data(), size_t(tail));
  written += uint64_t(std::max(tail, 0));
  if (!mp3Output) {
    const WAVEFORMATEX& f = converter.GetDestinationFormat();
    ok = ok && WriteAudioFileHeaderFormat(dst, &f, uint32_t(written), &dataOffset);
  }
  ::close(dst);
  return ok;
}

// Runs `job` once per iteration and returns its mean wall time in seconds; 0 when it failed.
template <typename Job>
double MeanSeconds(benchmark::State& state, Job job) {
  double seconds = 0;
  int64_t runs = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!job()) {
      state.SkipWithError("conversion failed");
      return 0;
    }
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
    ++runs;
  }
  return runs ? seconds / double(runs) : 0;
}

constexpr double kFileSeconds = 60;

void BM_RateConversionVsSox(benchmark::State& state) {
  const int from = int(state.range(0)), to = int(state.range(1));
  const std::string in = WriteInput(from, 1, kFileSeconds);
  const std::string out = Dir().File("rate_out.wav"), soxOut = Dir().File("sox_out.wav");
  const double soxSeconds =
      TimeCommand("sox -q " + in + " -r " + std::to_string(to) + " " + soxOut + " rate -l 2>/dev/null");
  const WAVEFORMATEX src = WaveUtilsMakePCMFormat(1, 16, uint32_t(from)), dst = WaveUtilsMakePCMFormat(1, 16, uint32_t(to));
  const double oursSeconds = MeanSeconds(state, [&] {
    CPCMConvert converter;
    return converter.Init(&src, &dst) && ConvertFile(in, out, converter, false, size_t(from) * 2 / 25);
  });
  if (oursSeconds <= 0) return;
  state.counters["x_realtime"] = kFileSeconds / oursSeconds;
  state.counters["sox_x_realtime"] = kFileSeconds / soxSeconds;
  state.counters["speed_vs_sox"] = soxSeconds / oursSeconds;
  state.SetLabel("target: speed_vs_sox >= 1");
}
BENCHMARK(BM_RateConversionVsSox)->Args({16000, 44100})->Args({44100, 16000})->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr double kEncodeSeconds = 30;

void BM_Mp3EncodingVsLame(benchmark::State& state) {
  const int rate = int(state.range(0)), channels = int(state.range(1)), bitRate = int(state.range(2));
  const std::string in = WriteInput(rate, channels, kEncodeSeconds);
  const std::string out = Dir().File("enc_out.mp3"), lameOut = Dir().File("lame_out.mp3");
  MPEGFrameInfo settings;
  qav::MakeMP3EncoderSettings(bitRate, rate, channels, &settings);
  MPEGLAYER3WAVEFORMAT mp3{};
  MPEGFormatStructConfig(settings, &mp3);
  char resample[16];
  std::snprintf(resample, sizeof resample, "%g", rate / 1000.0);
  const double lameSeconds =
      TimeCommand("lame --quiet -t --nores --cbr -b " + std::to_string(settings.bitRate / 1000) + " -m " +
                  (channels == 1 ? "m" : "s") + " --resample " + resample + " " + in + " " + lameOut);
  const WAVEFORMATEX pcm = WaveUtilsMakePCMFormat(uint16_t(channels), 16, uint32_t(rate));
  const double oursSeconds = MeanSeconds(state, [&] {
    std::filesystem::remove(out);  // a new recording each time, not one appended to
    CMPEGConvert encoder;
    return encoder.Init(&pcm, &mp3.wfx) && ConvertFile(in, out, encoder, true, size_t(rate) * 2 * channels / 25);
  });
  if (oursSeconds <= 0) return;
  state.counters["x_realtime"] = kEncodeSeconds / oursSeconds;
  state.counters["lame_x_realtime"] = kEncodeSeconds / lameSeconds;
  state.counters["speed_vs_lame"] = lameSeconds / oursSeconds;
  state.SetLabel("target: speed_vs_lame >= 0.95");
}
BENCHMARK(BM_Mp3EncodingVsLame)
    ->ArgNames({"rate", "ch", "bps"})
    ->Args({44100, 1, 256000})  // greetings
    ->Args({44100, 1, 96000})
    ->Args({44100, 1, 32000})
    ->Args({16000, 1, 256000})  // voice messages (256000 becomes 160000 at 16000 Hz)
    ->Args({16000, 1, 96000})
    ->Args({16000, 1, 32000})
    ->Args({16000, 2, 128000})  // conversations
    ->Args({16000, 2, 64000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One conversion of the call path, a 40 ms block at a time.
struct CallPathCase {
  const char* name;
  WAVEFORMATEX from;
  bool mp3;
  WAVEFORMATEX to;  // PCM destination
  int bitRate;      // MP3 destination
  int mp3Channels;
};

const CallPathCase kCallPath[] = {
    {"greeting 44100/16/mono -> call 16000/16/mono", WaveUtilsMakePCMFormat(1, 16, 44100), false,
     WaveUtilsMakePCMFormat(1, 16, 16000), 0, 0},
    {"call -> message WAV q0 44100/16/mono", WaveUtilsMakePCMFormat(1, 16, 16000), false,
     WaveUtilsMakePCMFormat(1, 16, 44100), 0, 0},
    {"call -> message WAV q2 8000/8/mono", WaveUtilsMakePCMFormat(1, 16, 16000), false,
     WaveUtilsMakePCMFormat(1, 8, 8000), 0, 0},
    {"conversation -> WAV q1 16000/8/stereo", WaveUtilsMakePCMFormat(2, 16, 16000), false,
     WaveUtilsMakePCMFormat(2, 8, 16000), 0, 0},
    {"conversation -> WAV q2 8000/8/stereo", WaveUtilsMakePCMFormat(2, 16, 16000), false,
     WaveUtilsMakePCMFormat(2, 8, 8000), 0, 0},
    {"call -> message MP3 q0 (160000)", WaveUtilsMakePCMFormat(1, 16, 16000), true, {}, 256000, 1},
    {"call -> message MP3 q1 96000", WaveUtilsMakePCMFormat(1, 16, 16000), true, {}, 96000, 1},
    {"call -> message MP3 q2 32000", WaveUtilsMakePCMFormat(1, 16, 16000), true, {}, 32000, 1},
    {"conversation -> MP3 q0 128000 stereo", WaveUtilsMakePCMFormat(2, 16, 16000), true, {}, 128000, 2},
    {"conversation -> MP3 q2 32000 mono", WaveUtilsMakePCMFormat(1, 16, 16000), true, {}, 32000, 1},
};

void BM_CallPathBlock(benchmark::State& state) {
  const CallPathCase& c = kCallPath[state.range(0)];
  state.SetLabel(std::string(c.name) + "; target < 400 us");
  std::unique_ptr<CAudioFormatConverter> converter;
  MPEGLAYER3WAVEFORMAT mp3{};
  if (c.mp3) {
    MPEGFrameInfo settings;
    qav::MakeMP3EncoderSettings(c.bitRate, 16000, c.mp3Channels, &settings);
    MPEGFormatStructConfig(settings, &mp3);
    converter = std::make_unique<CMPEGConvert>();
    if (!converter->Init(&c.from, &mp3.wfx)) state.SkipWithError("no encoder");
  } else {
    converter = std::make_unique<CPCMConvert>();
    if (!converter->Init(&c.from, &c.to)) state.SkipWithError("no converter");
  }
  const size_t blockBytes = size_t(c.from.nBlockAlign) * c.from.nSamplesPerSec / 25;
  const std::vector<int16_t> signal = Tone(int(c.from.nSamplesPerSec), c.from.nChannels, 10.0);
  const auto* bytes = reinterpret_cast<const uint8_t*>(signal.data());
  const size_t total = signal.size() * 2 / blockBytes * blockBytes;
  std::vector<uint8_t> out(20000);
  size_t at = 0;
  const auto start = Clock::now();
  for (auto _ : state) {
    const int n = converter->Convert(bytes + at, uint32_t(blockBytes), out.data(), uint32_t(out.size()));
    benchmark::DoNotOptimize(n);
    if (n < 0) {
      state.SkipWithError("conversion failed");
      break;
    }
    at = (at + blockBytes) % total;
  }
  if (state.iterations() == 0) return;
  const double perBlock = std::chrono::duration<double>(Clock::now() - start).count() / double(state.iterations());
  state.counters["block_share_pct"] = 100.0 * perBlock / 0.040;
}
BENCHMARK(BM_CallPathBlock)->DenseRange(0, std::size(kCallPath) - 1)->Unit(benchmark::kMicrosecond);

}  // namespace
