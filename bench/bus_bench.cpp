// The desktop bus's round trip: one WM_COPYDATA send to a window of another process and its
// result, alternating with a plain Unix-socket ping-pong of the same bytes in the same loop.
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
double g_pairRatioMedian = 0;  // the median of each iteration's bus time over its plain time

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

// The plain peer: echoes whatever comes on its end of the socket pair.
pid_t StartPlainEcho(int pair[2]) {
  return Fork([pair] {
    close(pair[0]);
    char buffer[256];
    for (;;) {
      ssize_t n = read(pair[1], buffer, sizeof buffer);
      if (n <= 0 || write(pair[1], buffer, static_cast<size_t>(n)) != n) return;
    }
  });
}

bool PlainRoundTrip(int fd) {
  char buffer[256];
  if (write(fd, kLine.data(), kLine.size()) != static_cast<ssize_t>(kLine.size())) return false;
  size_t got = 0;
  while (got < kLine.size()) {
    ssize_t n = read(fd, buffer + got, sizeof buffer - got);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

// Both peers run at once and every iteration does one bus round trip and one plain one, so a
// moment of load on the shared machine falls on both and the ratio stays put from run to run.
void BM_BusBesidePlainSocketRoundTrip(benchmark::State& state) {
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
  int pair[2];
  if (pipe(ready) != 0 || socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return;
  const pid_t plain = StartPlainEcho(pair);
  close(pair[1]);
  const pid_t echo = Fork([&] {
    close(pair[0]);
    MessageLoop loop;
    Hwnd window = CreateWindow(loop, "QavBenchEcho", u"", WindowKind::kTopLevel, [](Msg& m) -> LResult {
      if (m.message != WM_COPYDATA) return DefWindowProc(m);
      return static_cast<LResult>(reinterpret_cast<const CopyDataStruct*>(m.lParam)->cbData);
    });
    char c = window ? 1 : 0;
    if (write(ready[1], &c, 1) != 1) _exit(1);
    loop.Run();
  });
  char c = 0;
  if (read(ready[0], &c, 1) != 1 || c != 1) {
    state.SkipWithError("the echo process did not start");
  } else {
    MessageLoop loop;
    Hwnd self = CreateWindow(loop, "QavBenchSender", u"", WindowKind::kTopLevel, [](Msg&) -> LResult { return 0; });
    Hwnd target = FindWindow("QavBenchEcho");
    std::vector<double> bus;
    std::vector<double> plainSamples;
    std::vector<double> ratios;
    for (auto _ : state) {
      auto t0 = std::chrono::steady_clock::now();
      SendOutcome outcome = SendCopyData(target, self, 0, kLine, 5000);
      auto t1 = std::chrono::steady_clock::now();
      const bool plainOk = PlainRoundTrip(pair[0]);
      auto t2 = std::chrono::steady_clock::now();
      if (!outcome.ok() || outcome.result != static_cast<LResult>(kLine.size()) || !plainOk) {
        state.SkipWithError("a round trip failed");
        break;
      }
      const double busUs = std::chrono::duration<double, std::micro>(t1 - t0).count();
      const double plainUs = std::chrono::duration<double, std::micro>(t2 - t1).count();
      bus.push_back(busUs);
      plainSamples.push_back(plainUs);
      if (plainUs > 0) ratios.push_back(busUs / plainUs);
    }
    g_busMedianUs = MedianUs(bus);
    g_plainMedianUs = MedianUs(plainSamples);
    g_pairRatioMedian = MedianUs(ratios);
    state.counters["bus_median_us"] = g_busMedianUs;
    state.counters["plain_median_us"] = g_plainMedianUs;
    state.counters["ratio"] = g_pairRatioMedian;
  }
  close(pair[0]);
  kill(echo, SIGTERM);
  waitpid(echo, nullptr, 0);
  waitpid(plain, nullptr, 0);
  std::string cleanup = std::string("rm -rf ") + dir;
  if (std::system(cleanup.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir);
  unsetenv("QAV_DESKTOP_DIR");
}
BENCHMARK(BM_BusBesidePlainSocketRoundTrip)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_busMedianUs > 0 && g_plainMedianUs > 0) {
    std::printf("bus WM_COPYDATA round trip: median %.1f us (target: under 50 us)\n", g_busMedianUs);
    std::printf("plain Unix-socket ping-pong: median %.1f us\n", g_plainMedianUs);
    std::printf("ratio bus / plain (median of each alternating pair): %.2f (target: at most 2.00)\n",
                g_pairRatioMedian);
  }
  return 0;
}
