// The simulated call client: stands where the desktop call client stands, for tests, for
// demonstrations and for running the program by hand (sim/programs/sim_callclient_main.cpp is its
// command line; docs/sim-callclient.md tells how to use it).
//
// It owns the client's API window, a top-level window on the desktop bus, and speaks the client's
// side of the desktop API:
//   - it announces itself at start by broadcasting "SkypeControlAPIAttach" with status 0x8001
//     (API available);
//   - it answers each "SkypeControlAPIDiscover" (wParam: the program's window) by posting
//     "SkypeControlAPIAttach" (wParam: its API window, lParam: the status) as its attach script
//     says, and from a success on it is attached to that program window;
//   - it takes WM_COPYDATA from the attached window only, answers each command as the client does
//     (sim/call_client_model.h) and sends every line back by WM_COPYDATA, UTF-8 with its NUL;
//   - it plays a scenario (sim/call_client_scenario.h): notifications to send, the caller's side of
//     calls, and faults ("ERROR 68", silence, dying).
// Everything runs on the loop given at construction; a loop on a virtual clock (VirtualLoop) runs
// its timers exactly, which is how the transport's tests drive it in-process.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/message.h"
#include "platform/message_loop.h"
#include "platform/window.h"
#include "sim/call_client_audio.h"
#include "sim/call_client_model.h"
#include "sim/call_client_scenario.h"

namespace qav::sim {

struct CallClientSimOptions {
  AttachScript attach = AttachScript::kSuccess;
  int authorizeDelayMs = 1000;  // the "pending" script's wait for the user's consent
  bool announce = true;         // broadcast "API available" at start
  int sendTimeoutMs = 5000;     // for each line sent to the program
};

class CallClientSim {
 public:
  static constexpr char kWindowClass[] = "QavSimCallClientApi";
  // The class of the real client's main window, by which the program tells that the client runs.
  static constexpr char kMainWindowClass[] = "tSkMainForm.UnicodeClass";
  static constexpr char kDiscoverMessageName[] = "SkypeControlAPIDiscover";
  static constexpr char kAttachMessageName[] = "SkypeControlAPIAttach";
  static constexpr int64_t kStatusApiAvailable = 0x8001;
  using Transcript = std::function<void(const std::string&)>;

  CallClientSim(MessageLoop& loop, CallClientSimOptions options);
  ~CallClientSim();
  CallClientSim(const CallClientSim&) = delete;
  CallClientSim& operator=(const CallClientSim&) = delete;

  // Creates the API window (on the loop's thread), announces the API and starts the scenario.
  // False when the window cannot be created.
  bool Start();

  CallClientModel& model() { return m_model; }
  void SetAudio(CallClientAudio* audio) { m_model.SetAudio(audio); }
  // Every event in words, one line each ("<- \"#1 PING\\0\"", "-> \"#1 PONG\"", "attach ...").
  void SetTranscript(Transcript transcript) { m_transcript = std::move(transcript); }
  // What the step "die" does. Without one the API window disappears at once; the program ends its
  // process the hard way, as a crash would.
  void SetOnDie(std::function<void()> onDie) { m_onDie = std::move(onDie); }
  // What the step "quit" does; without one the loop is told to quit.
  void SetOnQuit(std::function<void()> onQuit) { m_onQuit = std::move(onQuit); }
  // Called each time the last step has run.
  void SetOnScenarioDone(std::function<void()> onDone) { m_onScenarioDone = std::move(onDone); }

  // Appends steps; they run once the steps before them have.
  void AddSteps(const std::vector<ScenarioStep>& steps);
  bool ScenarioDone() const { return m_nextStep >= m_steps.size(); }

  // ---- Actions, also the scenario's ----
  void Notify(const std::string& line);
  // Sends "ERROR 68" (with the text, if any) and drops the attachment: the program must attach
  // again before the client takes its commands.
  void InjectError68(const std::string& text);
  // -1: answer no command until told otherwise; 0: answer again; n: leave the next n unanswered.
  void SetSilence(int64_t count) { m_silence = count; }
  void SetAttachScript(AttachScript script) { m_options.attach = script; }
  void Announce();

  // ---- What happened ----
  Hwnd window() const { return m_window.handle(); }
  Hwnd attached() const { return m_attached; }
  int discovers() const { return m_discovers; }
  // Each accepted WM_COPYDATA block, byte for byte.
  const std::vector<std::string>& received() const { return m_received; }
  // The command text of each (up to its NUL).
  std::vector<std::string> Commands() const;

 private:
  struct Outgoing {
    Hwnd target;
    std::string line;
  };

  LResult WindowProc(Msg& message);
  void OnDiscover(const Msg& message);
  void OnAuthorized();
  LResult OnCopyData(const Msg& message);
  void AttachTo(Hwnd program);
  void PostAttachStatus(Hwnd program, int64_t status);
  void Queue(const std::string& line);
  void Queue(const CallClientModel::Lines& lines);
  void Flush();
  void RunSteps();
  bool WaitHolds(const ScenarioStep& step);
  void Do(const ScenarioStep& step);
  void Say(const std::string& line) const;

  MessageLoop& m_loop;
  CallClientSimOptions m_options;
  CallClientModel m_model;
  Window m_window;
  Window m_mainWindow;
  uint32_t m_msgDiscover = 0;
  uint32_t m_msgAttach = 0;
  Hwnd m_attached = 0;
  Hwnd m_pendingProgram = 0;
  std::set<Hwnd> m_authorized;
  int m_discovers = 0;
  int64_t m_silence = 0;
  std::vector<std::string> m_received;
  std::deque<Outgoing> m_outgoing;
  bool m_flushPosted = false;

  std::vector<ScenarioStep> m_steps;
  size_t m_nextStep = 0;
  size_t m_commandCursor = 0;  // wait-command looks at commands from here on
  bool m_waitArmed = false;
  bool m_waitElapsed = false;
  bool m_runningSteps = false;

  Transcript m_transcript;
  std::function<void()> m_onDie;
  std::function<void()> m_onQuit;
  std::function<void()> m_onScenarioDone;
};

// A block of bytes as the transcript shows it: in double quotes, printable ASCII as it is, the
// quote, the backslash and NUL escaped (\0), every other byte as \xHH.
std::string QuoteBytes(std::string_view bytes);

}  // namespace qav::sim
