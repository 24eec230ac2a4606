// The HTTP client and the version check against the web server's stand-in on 127.0.0.1: a version
// check's round trip, and a 10 MB upload in the steps the problem report uses, beside the curl
// program uploading the same file to the same stand-in in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "net/curl_global.h"
#include "net/http_client.h"
#include "net/server_params.h"
#include "platform/process.h"
#include "platform/text.h"

extern char** environ;

namespace {

// The stand-in, started once for the whole run, saving nothing.
class StandIn {
 public:
  StandIn() {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::string program = QAV_BINARY_DIR "/sim/qav-sim-webserver";
    std::string a1 = "--latest-ver", a2 = "5.0.0.2";
    char* argv[] = {program.data(), a1.data(), a2.data(), nullptr};
    posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char line[64] = {};
    FILE* f = fdopen(out[0], "r");
    if (f && std::fgets(line, sizeof line, f)) port_ = static_cast<unsigned>(qav::AtoI(std::string_view(line + 5)));
    if (f) std::fclose(f);
  }
  ~StandIn() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  std::string Base() const { return qav::FormatUtf8("http://127.0.0.1:%u/", port_); }
  unsigned port() const { return port_; }

 private:
  pid_t pid_ = -1;
  unsigned port_ = 0;
};

StandIn& Server() {
  static StandIn server;
  return server;
}

// Removed when the run ends.
struct TempFile {
  std::string path;
  ~TempFile() { std::remove(path.c_str()); }
};

const std::string& TenMegabyteFile() {
  static const TempFile file{[] {
    std::string p = qav::FormatUtf8("/tmp/qav-http-bench-%d.bin", static_cast<int>(getpid()));
    std::ofstream out(p, std::ios::binary);
    std::string block(1 << 20, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31);
    for (int i = 0; i < 10; ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
    return p;
  }()};
  return file.path;
}

constexpr int64_t kUploadBytes = 10 << 20;

void BM_VersionCheckRoundTrip(benchmark::State& state) {
  qav::net::InitCurlOnce();
  CServerParams params(qav::Utf8ToUtf16(Server().Base()) + u"qav/");
  params.SetInfo(u"username", u"alice");
  for (auto _ : state) {
    if (params.UpdateServerInformation(0, 0, 0) != 1) state.SkipWithError("version check failed");
  }
  state.SetLabel("target: under 20 ms a round trip on 127.0.0.1");
}
BENCHMARK(BM_VersionCheckRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Upload10MegabytesWithTheClient(benchmark::State& state) {
  qav::net::InitCurlOnce();
  const std::u16string url = qav::Utf8ToUtf16(Server().Base()) + u"qav/applinks/report/index.php";
  for (auto _ : state) {
    Vemra::CHttpClientT client;
    client.AddParam(u"Subject", u"Benchmark");
    client.AddParam(u"Attachment", qav::Utf8ToUtf16(TenMegabyteFile()), Vemra::kParamFile);
    client.BeginUpload(url);
    std::unique_ptr<Vemra::CHttpResponseT> response;
    while (!(response = client.Proceed(1024))) {
    }
    if (response->GetStatus() != 200) state.SkipWithError("upload failed");
  }
  state.SetBytesProcessed(state.iterations() * kUploadBytes);
  state.SetLabel("target: within 10% of curl's throughput (next line)");
}
BENCHMARK(BM_Upload10MegabytesWithTheClient)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Upload10MegabytesWithCurl(benchmark::State& state) {
  const std::u16string url = qav::Utf8ToUtf16(Server().Base()) + u"qav/applinks/report/index.php";
  for (auto _ : state) {
    const int code = qav::SpawnAndWait({u"curl",
                                        {u"-s", u"-o", u"/dev/null", u"-H", u"Expect:", u"-F", u"Subject=Benchmark", u"-F",
                                         u"Attachment=@" + qav::Utf8ToUtf16(TenMegabyteFile()), url},
                                        {}});
    if (code != 0) state.SkipWithError("curl failed");
  }
  state.SetBytesProcessed(state.iterations() * kUploadBytes);
  state.SetLabel("the reference");
}
BENCHMARK(BM_Upload10MegabytesWithCurl)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
