// The qav program against the simulated call client, both real processes on a private desktop.
// Targets (printed, not asserted):
//   - from the start of qav to attached, with the client running: under 300 ms;
//   - CPU while idle and attached (over $QAV_BENCH_IDLE_SECONDS, default 60 s): under 0.5 %;
//   - resident memory before and after 100 answered calls in a row: no growth beyond noise.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string g_buildDir = QAV_BINARY_DIR;

// A private desktop for the run: every folder the programs use points into one temporary folder.
struct PrivateDesktop {
  PrivateDesktop() {
    char pattern[] = "/tmp/qav-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    root = made ? made : "/tmp";
    for (const char* name : {"DESKTOP", "REGISTRY", "DATA", "CONFIG", "STATE", "TEMP", "RUNTIME"}) {
      setenv((std::string("QAV_") + name + "_DIR").c_str(), (root + "/" + name).c_str(), 1);
    }
    std::system(("mkdir -p " + root + "/TEMP").c_str());
  }
  ~PrivateDesktop() { std::system(("rm -rf " + root).c_str()); }
  std::string root;
};

// A child process with its standard output read line by line.
class Child {
 public:
  explicit Child(std::vector<std::string> argv, bool pipeStdin = false) {
    int out[2], in[2];
    pipe2(out, O_CLOEXEC);
    pipe2(in, O_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (pipeStdin) posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(in[0]);
    out_ = out[0];
    in_ = in[1];
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    close(out_);
    close(in_);
  }
  pid_t pid() const { return pid_; }
  void Send(const std::string& line) { (void)!write(in_, (line + "\n").data(), line.size() + 1); }
  // Reads until a line that holds `part` arrives; false after `boundMs`.
  bool WaitLine(const std::string& part, int boundMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(boundMs);
    for (;;) {
      size_t end;
      while ((end = buffer_.find('\n')) != std::string::npos) {
        const std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        if (line.find(part) != std::string::npos) return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
      char chunk[4096];
      const ssize_t n = read(out_, chunk, sizeof chunk);
      if (n <= 0) return false;
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int in_ = -1;
  std::string buffer_;
};

std::string Qav() { return g_buildDir + "/app/qav"; }
std::string CallClient() { return g_buildDir + "/sim/qav-sim-callclient"; }

// Starts qav and waits until the client reports it attached; null (and the run skipped) when not.
std::unique_ptr<Child> StartAttached(benchmark::State& state, Child& client) {
  auto qav = std::make_unique<Child>(std::vector<std::string>{Qav()});
  if (client.WaitLine("attached ", 10000)) return qav;
  state.SkipWithError("qav did not attach");
  return nullptr;
}

void ShutDownQav(Child& qav) {
  Child shutdown({Qav(), "/shutdown"});
  shutdown.Wait();
  qav.Wait();
}

double CpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double ResidentKiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6));
  }
  return 0;
}

void BM_StartToAttached(benchmark::State& state) {
  PrivateDesktop desktop;
  Child client({CallClient(), "--stdin"}, true);
  if (!client.WaitLine("ready ", 5000)) {
    state.SkipWithError("the simulated call client did not start");
    return;
  }
  for (auto _ : state) {
    const auto start = Clock::now();
    auto qav = StartAttached(state, client);
    if (!qav) return;
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    ShutDownQav(*qav);
  }
  state.SetLabel("target: under 300 ms");
}
BENCHMARK(BM_StartToAttached)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_IdleCpuAttached(benchmark::State& state) {
  const char* configured = std::getenv("QAV_BENCH_IDLE_SECONDS");
  const int seconds = configured ? std::atoi(configured) : 60;
  PrivateDesktop desktop;
  Child client({CallClient(), "--stdin"}, true);
  client.WaitLine("ready ", 5000);
  for (auto _ : state) {
    auto qav = StartAttached(state, client);
    if (!qav) return;
    const double before = CpuSeconds(qav->pid());
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double used = CpuSeconds(qav->pid()) - before;
    state.counters["cpu_percent"] = 100.0 * used / seconds;
    ShutDownQav(*qav);
  }
  state.SetLabel("target: under 0.5 %");
}
BENCHMARK(BM_IdleCpuAttached)->Iterations(1)->Unit(benchmark::kSecond);

void BM_MemoryOver100AnsweredCalls(benchmark::State& state) {
  PrivateDesktop desktop;
  // Answer at once, keep each message short.
  std::system(("mkdir -p " + desktop.root + "/DATA/QAV && printf '[Settings]\\nSecB4AnsweringOnline=0\\n"
               "MaxRecordingDurationSec=2\\nWinStartUp=0\\n' > " + desktop.root + "/DATA/QAV/QAV.ini")
                  .c_str());
  Child client({CallClient(), "--stdin"}, true);
  client.WaitLine("ready ", 5000);
  for (auto _ : state) {
    auto qav = StartAttached(state, client);
    if (!qav) return;
    // Calls ring once the program knows its user: it asks for the audio devices right after.
    client.WaitLine("AUDIO_OUT ", 10000);
    double before = 0;
    for (int call = 1; call <= 100; ++call) {
      const std::string id = std::to_string(1000 + call);
      client.Send("ring " + id + " caller1");
      // An answered call shows in the transcript as the program's ANSWER command.
      if (!client.WaitLine("ALTER CALL " + id + " ANSWER", 10000)) {
        state.SkipWithError("the calls are not answered: the answering machine is not part of this build");
        ShutDownQav(*qav);
        return;
      }
      client.Send("wait 500");
      client.Send("hangup " + id);
      client.WaitLine("CALL " + id + " STATUS FINISHED", 10000);
      if (call == 1) before = ResidentKiB(qav->pid());
    }
    state.counters["rss_before_kib"] = before;
    state.counters["rss_after_kib"] = ResidentKiB(qav->pid());
    ShutDownQav(*qav);
  }
  state.SetLabel("target: no growth beyond noise");
}
BENCHMARK(BM_MemoryOver100AnsweredCalls)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
