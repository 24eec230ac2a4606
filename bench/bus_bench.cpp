// The desktop bus's round trip: one WM_COPYDATA send to a window of another process and its
// result, beside a plain Unix-socket ping-pong of the same bytes measured in the same run.
// Targets (printed, not asserted): bus median under 50 us, and at most twice the plain ping-pong.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/message_loop.h"
#include "platform/window.h"

using namespace qav;

namespace {

// A typical command line of the call client's protocol.
const std::string kLine = "#1234 GET CALL 5678 STATUS";

double g_busMedianUs = 0;
double g_plainMedianUs = 0;

double MedianUs(std::vector<double>& samples) {
  if (samples.empty()) return 0;
  std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
  return samples[samples.size() / 2];
}

// Forks a child running `body` and returns its pid. Called while this process has one thread.
template <typename Body>
pid_t Fork(Body body) {
  pid_t pid = fork();
  if (pid == 0) {
    body();
    _exit(0);
  }
  return pid;
}

void BM_BusCopyDataRoundTrip(benchmark::State& state) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/qav-bench-XXXXXX";
  char* dir = pattern.data();
  if (!mkdtemp(dir)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  std::string desktop = std::string(dir) + "/desktop";
  setenv("QAV_DESKTOP_DIR", desktop.c_str(), 1);
  int ready[2];
  if (pipe(ready) != 0) return;
  pid_t child = Fork([&] {
    MessageLoop loop;
    Hwnd echo = CreateWindow(loop, "QavBenchEcho", u"", WindowKind::kTopLevel, [](Msg& m) -> LResult {
      if (m.message != WM_COPYDATA) return DefWindowProc(m);
      return static_cast<LResult>(reinterpret_cast<const CopyDataStruct*>(m.lParam)->cbData);
    });
    char c = echo ? 1 : 0;
    if (write(ready[1], &c, 1) != 1) _exit(1);
    loop.Run();
  });
  char c = 0;
  if (read(ready[0], &c, 1) != 1 || c != 1) {
    state.SkipWithError("the echo process did not start");
    return;
  }
  {
    MessageLoop loop;
    Hwnd self = CreateWindow(loop, "QavBenchSender", u"", WindowKind::kTopLevel, [](Msg&) -> LResult { return 0; });
    Hwnd target = FindWindow("QavBenchEcho");
    std::vector<double> samples;
    for (auto _ : state) {
      auto start = std::chrono::steady_clock::now();
      SendOutcome outcome = SendCopyData(target, self, 0, kLine, 5000);
      auto end = std::chrono::steady_clock::now();
      if (!outcome.ok() || outcome.result != static_cast<LResult>(kLine.size())) {
        state.SkipWithError("send failed");
        break;
      }
      samples.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    g_busMedianUs = MedianUs(samples);
    state.counters["median_us"] = g_busMedianUs;
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  std::string cleanup = std::string("rm -rf ") + dir;
  if (std::system(cleanup.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir);
  unsetenv("QAV_DESKTOP_DIR");
}
BENCHMARK(BM_BusCopyDataRoundTrip)->UseRealTime();

void BM_PlainUnixSocketPingPong(benchmark::State& state) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return;
  pid_t child = Fork([&] {
    close(pair[0]);
    char buffer[256];
    for (;;) {
      ssize_t n = read(pair[1], buffer, sizeof buffer);
      if (n <= 0 || write(pair[1], buffer, static_cast<size_t>(n)) != n) return;
    }
  });
  close(pair[1]);
  std::vector<double> samples;
  char buffer[256];
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    size_t got = 0;
    if (write(pair[0], kLine.data(), kLine.size()) != static_cast<ssize_t>(kLine.size())) break;
    while (got < kLine.size()) {
      ssize_t n = read(pair[0], buffer + got, sizeof buffer - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    auto end = std::chrono::steady_clock::now();
    samples.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  close(pair[0]);
  waitpid(child, nullptr, 0);
  g_plainMedianUs = MedianUs(samples);
  state.counters["median_us"] = g_plainMedianUs;
}
BENCHMARK(BM_PlainUnixSocketPingPong)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_busMedianUs > 0 && g_plainMedianUs > 0) {
    std::printf("bus WM_COPYDATA round trip: median %.1f us (target: under 50 us)\n", g_busMedianUs);
    std::printf("plain Unix-socket ping-pong: median %.1f us\n", g_plainMedianUs);
    std::printf("ratio: %.2f (target: at most 2.00)\n", g_busMedianUs / g_plainMedianUs);
  }
  return 0;
}
