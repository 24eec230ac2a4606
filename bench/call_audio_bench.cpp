// The audio thread on the call path: what one 40 ms block costs it, the pace at which the greeting
// reaches the caller, the loopback link's throughput, the request round trip, and the memory of a
// long call. Targets are printed beside the measurements, never asserted.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "audio/audio_driver.h"
#include "audio/audio_format_converter.h"
#include "audio/mpeg_utils.h"
#include "audio/recording_formats.h"
#include "audio/va_in.h"
#include "audio/va_out.h"
#include "audio/voice_message_job.h"
#include "audio/wave_mem_file.h"
#include "audio/wave_utils.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "platform/virtual_loop.h"
#include "sim/loopback_connect.h"

// Reaches into a voice message job to time its per-block work on the call path exactly as the
// audio thread runs it, one block at a time, on this thread.
class VoiceMessageJobBenchAccess {
 public:
  static bool PrepareCallerRecording(CVoiceMessageJob& job, AudioThreadContext& context, const std::string& path,
                                     bool mp3, qav::ThreadId owner) {
    const WAVEFORMATEX live = WaveUtilsMakePCMFormat(1, 16, 16000);
    context.thread = owner;
    context.recordingConversionBuffer.assign(20000, 0);
    bool ok;
    if (mp3) {
      const std::optional<MPEGLAYER3WAVEFORMAT> f = MakeMpegFormat(96000, 16000, 1);
      ok = f && job.m_output.PrepareMpeg(qav::U16(path), live, *f, u"bench");
    } else {
      // Quality 0: 44100 Hz, the costliest conversion of a voice message.
      ok = job.m_output.PrepareWave(qav::U16(path), live, WaveUtilsMakePCMFormat(1, 16, 44100), u"bench");
    }
    int inPort = 0, outPort = 0;
    ok = ok && job.m_link.Open(owner, &inPort, &outPort, kLiveBlock);
    context.SetState(AudioDriverState::kRecordingCaller);
    return ok;
  }
  static void RecordCallerBlock(CVoiceMessageJob& job, vahdr_tag& block) { job.RecordCallerBlock(block); }
  static void Finish(CVoiceMessageJob& job) {
    int seconds = 0;
    (void)job.Finish(&seconds);
  }
  static constexpr uint32_t kLiveBlock = 1280;
};

namespace {

constexpr int kBytesPerSecond = 32000;
constexpr int kBlockBytes = 1280;

std::string TempPath(const char* name) {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/qav_call_audio_bench_" + std::to_string(getpid()) + "_" + name;
}

std::vector<int16_t> ToneBlock(size_t samples, double hz, size_t first) {
  std::vector<int16_t> s(samples);
  for (size_t i = 0; i < samples; ++i) s[i] = static_cast<int16_t>(12000 * std::sin(2 * M_PI * hz * double(first + i) / 16000));
  return s;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(p * double(v.size())))];
}

void CallPathBlockCost(benchmark::State& state, bool mp3) {
  qav::VirtualLoop loop;
  const std::string path = TempPath(mp3 ? "block.mp3" : "block.wav");
  std::vector<double> fractions;
  for (auto _ : state) {
    std::atomic<AudioDriverState> jobState{AudioDriverState::kIdle};
    AudioThreadContext context(jobState);
    CVoiceMessageJob job(context);
    if (!VoiceMessageJobBenchAccess::PrepareCallerRecording(job, context, path, mp3, loop.loop().threadId())) {
      state.SkipWithError("cannot prepare the recording (is LAME installed?)");
      break;
    }
    const int blocks = 1500;  // one minute
    for (int b = 0; b < blocks; ++b) {
      vahdr_tag block(kBlockBytes);
      const auto samples = ToneBlock(kBlockBytes / 2, 440, size_t(b) * kBlockBytes / 2);
      std::memcpy(block.data.data(), samples.data(), kBlockBytes);
      block.bytesDone = kBlockBytes;
      const auto t0 = std::chrono::steady_clock::now();
      VoiceMessageJobBenchAccess::RecordCallerBlock(job, block);
      const auto t1 = std::chrono::steady_clock::now();
      fractions.push_back(std::chrono::duration<double>(t1 - t0).count() / 0.040);
      if (b % 50 == 0) loop.RunUntilIdle();  // the link hands back the blocks nobody read
    }
    VoiceMessageJobBenchAccess::Finish(job);
    loop.RunUntilIdle();
  }
  std::remove(path.c_str());
  state.counters["median_pct_of_block"] = 100 * Percentile(fractions, 0.5);
  state.counters["p99_pct_of_block"] = 100 * Percentile(fractions, 0.99);
  state.SetLabel("target: median <= 1%, p99 <= 5% of the 40 ms block");
}

void BM_CallPathBlockWav(benchmark::State& state) { CallPathBlockCost(state, false); }
void BM_CallPathBlockMp3(benchmark::State& state) { CallPathBlockCost(state, true); }
BENCHMARK(BM_CallPathBlockWav)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CallPathBlockMp3)->Unit(benchmark::kMillisecond)->Iterations(3);

// The greeting as the call client receives it, at the pace of real time: how far any byte arrives
// from its due time (the first byte's arrival plus the audio before it).
void BM_GreetingPace(benchmark::State& state) {
  const int seconds = static_cast<int>(state.range(0));
  double worstMs = 0, driftMs = 0;
  int pieces = 0;
  for (auto _ : state) {
    setenv("QAV_SOUND_DEVICE", "virtual", 1);
    CAudioDriver driver;
    driver.Start();
    const WAVEFORMATEX live = WaveUtilsMakePCMFormat(1, 16, 16000);
    auto greeting = std::make_shared<CWaveMemFile>();
    greeting->SetFormat(&live);
    const auto tone = ToneBlock(size_t(seconds) * 16000, 440, 0);
    greeting->GetFile()->Write(tone.data(), tone.size() * 2);
    const std::string path = TempPath("pace.wav");
    int inPort = 0, outPort = 0;
    if (!driver.RecordSkypeMsgStart(&inPort, &outPort, greeting, qav::U16(path), 0)) {
      state.SkipWithError("cannot start");
      break;
    }
    const int fd = qav::sim::ConnectLoopback(outPort);
    const size_t total = tone.size() * 2;
    size_t received = 0;
    std::chrono::steady_clock::time_point first;
    char buffer[65536];
    while (received < total) {
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      const auto now = std::chrono::steady_clock::now();
      if (received == 0) first = now;
      // The last byte of this piece against its due time.
      const double due = double(received + size_t(n)) * 1000.0 / kBytesPerSecond;
      const double at = std::chrono::duration<double, std::milli>(now - first).count();
      worstMs = std::max(worstMs, std::abs(at - due));
      ++pieces;
      driftMs = at - due;
      received += size_t(n);
    }
    ::close(fd);
    int length = 0;
    driver.RecordSkypeMsgStop(&length);
    std::remove(path.c_str());
  }
  state.counters["worst_ms_from_real_time"] = worstMs;
  state.counters["drift_ms_at_end"] = driftMs;
  // Each piece the link sends is one wake-up of the audio thread (and of the client).
  state.counters["pieces_per_second"] = double(pieces) / seconds;
  state.SetLabel("target: within 20 ms of real time over 30 s; pieces_per_second <= 50");
}
BENCHMARK(BM_GreetingPace)->Arg(30)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// CVAIn receiving from a client that sends as fast as it can.
void BM_LoopbackThroughput(benchmark::State& state) {
  const size_t total = size_t(64) << 20;
  for (auto _ : state) {
    qav::VirtualLoop loop;
    size_t got = 0;
    CVAIn in;
    loop.loop().SetThreadMessageHandler([&](qav::Msg& msg) {
      VaHeaderPtr h(static_cast<vahdr_tag*>(msg.payload.release()));
      got += h->bytesDone;
      h->bytesDone = 0;
      in.AddBuffer(h);
    });
    int port = 0;
    in.Open(loop.loop().threadId(), &port);
    for (int i = 0; i < 10; ++i) {
      VaHeaderPtr h = std::make_unique<vahdr_tag>(kBlockBytes);
      in.AddBuffer(h);
    }
    in.Start();
    std::thread client([port, total] {
      const int fd = qav::sim::ConnectLoopback(port);
      std::vector<char> chunk(65536, 1);
      for (size_t sent = 0; sent < total;) {
        const ssize_t n = ::send(fd, chunk.data(), std::min(chunk.size(), total - sent), MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += size_t(n);
      }
      ::close(fd);
    });
    const auto t0 = std::chrono::steady_clock::now();
    while (got < total - kBlockBytes) loop.WaitForWork(10);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    client.join();
    state.counters["times_real_time"] = double(got) / kBytesPerSecond / secs;
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(total));
}
BENCHMARK(BM_LoopbackThroughput)->Unit(benchmark::kMillisecond)->Iterations(3);

// A request that the thread serves and refuses (idle): the cost of the round trip itself.
void BM_RequestRoundTrip(benchmark::State& state) {
  CAudioDriver driver;
  driver.Start();
  for (auto _ : state) benchmark::DoNotOptimize(driver.RecordSkypeInsertBeep());
}
BENCHMARK(BM_RequestRoundTrip)->Unit(benchmark::kMicrosecond);

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

// Ten minutes of a voice message, run 60 times faster than real time: the caller talks all along
// and the client reads what it is sent; the memory after the first minute should not grow.
void BM_TenMinuteCallMemory(benchmark::State& state) {
  constexpr double kSpeed = 60;
  long growthKb = 0;
  for (auto _ : state) {
    setenv("QAV_SOUND_DEVICE", "virtual", 1);
    qav::ScaledClock clock(kSpeed);
    CAudioDriver driver;
    driver.Start(clock);
    const WAVEFORMATEX live = WaveUtilsMakePCMFormat(1, 16, 16000);
    auto greeting = std::make_shared<CWaveMemFile>();
    greeting->SetFormat(&live);
    const std::string path = TempPath("long.wav");
    int inPort = 0, outPort = 0;
    if (!driver.RecordSkypeMsgStart(&inPort, &outPort, greeting, qav::U16(path), 1)) {
      state.SkipWithError("cannot start");
      break;
    }
    const int out = qav::sim::ConnectLoopback(inPort);
    const int in = qav::sim::ConnectLoopback(outPort);
    std::atomic<bool> done{false};
    std::thread reader([&] {
      char buffer[16384];
      while (::recv(in, buffer, sizeof buffer, 0) > 0) {
      }
    });
    const auto block = ToneBlock(kBlockBytes / 2, 300, 0);
    const auto interval = std::chrono::microseconds(static_cast<int64_t>(40000 / kSpeed));
    const auto start = std::chrono::steady_clock::now();
    long afterFirstMinute = 0;
    for (int b = 0; b < 15000; ++b) {  // 10 minutes of 40 ms blocks
      std::this_thread::sleep_until(start + b * interval);
      if (::send(out, block.data(), kBlockBytes, MSG_NOSIGNAL) != kBlockBytes) break;
      if (b == 1500) afterFirstMinute = ResidentKb();
    }
    int seconds = 0;
    driver.RecordSkypeMsgStop(&seconds);
    growthKb = ResidentKb() - afterFirstMinute;
    done = true;
    ::shutdown(in, SHUT_RDWR);
    reader.join();
    ::close(in);
    ::close(out);
    std::remove(path.c_str());
    state.counters["recorded_seconds"] = seconds;
  }
  state.counters["rss_growth_kb_after_first_minute"] = double(growthKb);
  state.SetLabel("target: no growth over a 10-minute call");
}
BENCHMARK(BM_TenMinuteCallMemory)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
