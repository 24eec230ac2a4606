// qav-sim-callclient: the simulated call client as a program (docs/sim-callclient.md).
//
// Writes the installed client's registry keys, opens the client's API window on the desktop bus
// ($QAV_DESKTOP_DIR), prints "ready <window> <pid>" and a transcript of everything it does on
// standard output, and plays the scenario given on the command line (and on standard input with
// --stdin). SIGTERM and SIGINT end it in order; the step "die" ends it the hard way (SIGKILL), as a
// crash would.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

#include "platform/folders.h"
#include "platform/message_loop.h"
#include "sim/call_audio_peers.h"
#include "sim/call_client_audio.h"
#include "sim/call_client_install.h"
#include "sim/call_client_options.h"
#include "sim/call_client_sim.h"

using namespace qav;
using namespace qav::sim;

namespace {

void Print(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string OwnProgramPath() {
  const std::string path = qav::ExecutablePath();
  return path.empty() ? std::string("qav-sim-callclient") : path;
}

// The routes, as the transcript reports them; the call audio peers (sim/call_audio_peers.h) move
// the audio and tell this class too.
class TranscriptAudio : public CallClientAudio {
 public:
  explicit TranscriptAudio(bool quiet) : quiet_(quiet) {}
  void OnAudioRoute(const SimCall& call, SimAudioDirection direction, const SimAudioRoute& route) override {
    if (!quiet_) {
      Print("audio " + std::to_string(call.id) + (direction == SimAudioDirection::kOutput ? " output " : " input ") +
            route.ToText());
    }
  }
  void OnCallEnded(const SimCall& call) override {
    if (!quiet_) Print("audio " + std::to_string(call.id) + " ended");
  }

 private:
  bool quiet_;
};

}  // namespace

int main(int argc, char** argv) {
  CallClientCommandLine commandLine;
  std::string error;
  if (!ParseCallClientCommandLine(argc, argv, &commandLine, &error)) {
    std::fprintf(stderr, "qav-sim-callclient: %s (see --help)\n", error.c_str());
    return 2;
  }
  if (commandLine.help) {
    std::fputs(CallClientUsage().c_str(), stdout);
    return 0;
  }
  if (commandLine.writeRegistry) {
    const std::string path = commandLine.programPath.empty() ? OwnProgramPath() : commandLine.programPath;
    if (!WriteCallClientInstallKeys(path, commandLine.version, &error)) {
      std::fprintf(stderr, "qav-sim-callclient: %s\n", error.c_str());
      return 2;
    }
  }

  // SIGTERM and SIGINT arrive as a readable descriptor that the loop serves; a vanished reader
  // of the transcript must not end the client.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);

  MessageLoop loop;
  CallClientSim sim(loop, commandLine.sim);
  sim.model().SetCurrentUser(commandLine.user, commandLine.fullName);
  sim.model().SetUserStatus(commandLine.status);
  sim.model().SetVersion(commandLine.version);
  TranscriptAudio transcript(commandLine.quiet);
  CallAudioPeers audio(CallAudioPeersOptions::FromEnvironment(), &transcript);
  sim.SetAudio(&audio);
  if (!commandLine.quiet) sim.SetTranscript(Print);
  sim.SetOnDie([] {
    std::fflush(stdout);
    kill(getpid(), SIGKILL);
  });
  bool stdinOpen = commandLine.readStdin;
  sim.SetOnScenarioDone([&] {
    if (commandLine.exitWhenDone && !stdinOpen) loop.PostQuit(0);
  });
  if (!sim.Start()) {
    std::fprintf(stderr, "qav-sim-callclient: the API window cannot be opened (is the desktop directory usable?)\n");
    return 1;
  }
  char ready[64];
  std::snprintf(ready, sizeof ready, "ready %llx %d", static_cast<unsigned long long>(sim.window()), getpid());
  Print(ready);

  if (signalFd >= 0) {
    loop.WatchFd(signalFd, kFdReadable, [&](int fd, uint32_t) {
      signalfd_siginfo info;
      if (read(fd, &info, sizeof info) > 0) loop.PostQuit(0);
    });
  }
  std::string pending;
  WatchId stdinWatch = 0;
  if (commandLine.readStdin) {
    stdinWatch = loop.WatchFd(0, kFdReadable, [&](int fd, uint32_t) {
      char buffer[4096];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n <= 0) {
        loop.UnwatchFd(stdinWatch);
        stdinOpen = false;
        if (commandLine.exitWhenDone && sim.ScenarioDone()) loop.PostQuit(0);
        return;
      }
      pending.append(buffer, static_cast<size_t>(n));
      size_t end;
      while ((end = pending.find('\n')) != std::string::npos) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (line.find_first_not_of(" \t\r") == std::string::npos || line[0] == '#') continue;
        ScenarioStep step;
        std::string why;
        if (ParseScenarioStep(line, &step, &why)) {
          sim.AddSteps({step});
        } else {
          Print("error: " + why);
        }
      }
    });
  }
  sim.AddSteps(commandLine.steps);
  if (commandLine.exitWhenDone && !stdinOpen && sim.ScenarioDone()) loop.PostQuit(0);
  return loop.Run();
}
