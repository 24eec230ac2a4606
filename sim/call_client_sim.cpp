#include "sim/call_client_sim.h"

#include <cstdio>

#include "platform/registered_message.h"
#include "platform/text.h"

namespace qav::sim {

namespace {

constexpr uint32_t WM_SIM_FLUSH = WM_USER + 1;  // sends what is queued for the program
constexpr uint64_t kAuthorizeTimer = 1;
constexpr uint64_t kWaitTimer = 2;

std::string Hex(Hwnd h) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(h));
  return buffer;
}

std::string TextOf(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

// The command without its "#<id>" tag.
std::string_view Untagged(std::string_view command) {
  if (command.empty() || command[0] != '#') return command;
  const size_t space = command.find(' ');
  return space == std::string_view::npos ? std::string_view() : command.substr(space + 1);
}

bool IsWait(ScenarioVerb verb) {
  return verb == ScenarioVerb::kWait || verb == ScenarioVerb::kWaitAttach || verb == ScenarioVerb::kWaitCommand ||
         verb == ScenarioVerb::kWaitCall;
}

const char* StatusName(SendStatus status) {
  switch (status) {
    case SendStatus::kOk: return "ok";
    case SendStatus::kNoWindow: return "no window";
    case SendStatus::kTimedOut: return "timed out";
    case SendStatus::kPeerGone: return "peer gone";
    case SendStatus::kRefused: return "refused";
    case SendStatus::kUnsupported: return "unsupported";
  }
  return "?";
}

}  // namespace

std::string QuoteBytes(std::string_view bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == 0) {
      out += "\\0";
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
      out += buffer;
    }
  }
  return out + "\"";
}

CallClientSim::CallClientSim(MessageLoop& loop, CallClientSimOptions options)
    : m_loop(loop), m_options(options), m_model(loop.clock()) {}

CallClientSim::~CallClientSim() = default;

bool CallClientSim::Start() {
  m_msgDiscover = RegisterWindowMessage(kDiscoverMessageName);
  m_msgAttach = RegisterWindowMessage(kAttachMessageName);
  if (m_msgDiscover == 0 || m_msgAttach == 0) return false;
  if (!m_window.Create(m_loop, kWindowClass, u"", WindowKind::kTopLevel, [this](Msg& m) { return WindowProc(m); })) {
    return false;
  }
  // The client's main window does nothing but show that the client runs.
  m_mainWindow.Create(m_loop, kMainWindowClass, u"Skype", WindowKind::kTopLevel, [](Msg& m) { return DefWindowProc(m); });
  if (m_options.announce) Announce();
  RunSteps();
  return true;
}

std::vector<std::string> CallClientSim::Commands() const {
  std::vector<std::string> commands;
  for (const std::string& bytes : m_received) commands.push_back(TextOf(bytes));
  return commands;
}

void CallClientSim::Say(const std::string& line) const {
  if (m_transcript) m_transcript(line);
}

// ---- The window ---------------------------------------------------------------------------------

LResult CallClientSim::WindowProc(Msg& message) {
  const bool fromHere = message.senderProcess == WindowProcessId(window());
  if (message.message == m_msgDiscover) {
    OnDiscover(message);
    return 0;
  }
  if (message.message == m_msgAttach) return 0;  // our own announcement, or another client's
  switch (message.message) {
    case WM_COPYDATA:
      return OnCopyData(message);
    case WM_SIM_FLUSH:
      if (fromHere) Flush();
      return 0;
    case WM_TIMER:
      if (!fromHere) return 0;
      KillTimer(window(), message.wParam);
      if (message.wParam == kAuthorizeTimer) OnAuthorized();
      if (message.wParam == kWaitTimer && m_waitArmed) {
        m_waitElapsed = true;
        RunSteps();
      }
      return 0;
    default:
      return DefWindowProc(message);
  }
}

void CallClientSim::OnDiscover(const Msg& message) {
  const Hwnd program = message.wParam;
  if (program == 0 || WindowProcessId(program) != message.senderProcess) {
    Say("discover ignored: window " + Hex(program) + " is not the sender's");
    return;
  }
  ++m_discovers;
  Say("discover from " + Hex(program) + " (" + std::string(AttachScriptName(m_options.attach)) + ")");
  switch (m_options.attach) {
    case AttachScript::kSuccess:
      AttachTo(program);
      break;
    case AttachScript::kPending:
      if (m_authorized.count(program) != 0) {
        AttachTo(program);
        break;
      }
      PostAttachStatus(program, 1);
      m_pendingProgram = program;
      SetTimer(window(), kAuthorizeTimer, static_cast<uint32_t>(m_options.authorizeDelayMs));
      break;
    case AttachScript::kRefused:
      PostAttachStatus(program, 2);
      break;
    case AttachScript::kNotAvailable:
      PostAttachStatus(program, 3);
      break;
    case AttachScript::kSilence:
      break;
  }
}

void CallClientSim::OnAuthorized() {
  if (m_pendingProgram == 0) return;
  m_authorized.insert(m_pendingProgram);
  AttachTo(m_pendingProgram);
  m_pendingProgram = 0;
}

void CallClientSim::AttachTo(Hwnd program) {
  m_attached = program;
  PostAttachStatus(program, 0);
  Say("attached " + Hex(program));
  RunSteps();
}

void CallClientSim::PostAttachStatus(Hwnd program, int64_t status) {
  if (!PostMessage(program, m_msgAttach, window(), status)) {
    Say("attach status " + std::to_string(status) + " not delivered to " + Hex(program));
    return;
  }
  Say("attach status " + std::to_string(status) + " to " + Hex(program));
}

void CallClientSim::Announce() {
  Say("announce: API available");
  PostMessage(kHwndBroadcast, m_msgAttach, window(), kStatusApiAvailable);
}

LResult CallClientSim::OnCopyData(const Msg& message) {
  const auto* data = message.Get<CopyDataPayload>();
  if (data == nullptr) return 0;
  if (m_attached == 0 || message.wParam != m_attached) {
    Say("refused copydata from " + Hex(message.wParam) + " (not attached): " + QuoteBytes(data->bytes()));
    return 0;
  }
  m_received.push_back(data->bytes());
  Say("<- " + QuoteBytes(data->bytes()));
  if (m_silence != 0) {
    if (m_silence > 0) --m_silence;
    Say("   (silent)");
  } else {
    Queue(m_model.Answer(TextOf(data->bytes())));
  }
  RunSteps();
  return 1;
}

// ---- Lines to the program -------------------------------------------------------------------

void CallClientSim::Notify(const std::string& line) { Queue(line); }

void CallClientSim::InjectError68(const std::string& text) {
  Queue("ERROR 68" + (text.empty() ? std::string() : " " + text));
  Say("attachment dropped");
  m_attached = 0;
}

void CallClientSim::Queue(const CallClientModel::Lines& lines) {
  for (const std::string& line : lines) Queue(line);
}

void CallClientSim::Queue(const std::string& line) {
  if (m_attached == 0) {
    Say("not attached, dropped: " + QuoteBytes(line));
    return;
  }
  m_outgoing.push_back({m_attached, line});
  if (!m_flushPosted) m_flushPosted = PostMessage(window(), WM_SIM_FLUSH);
}

void CallClientSim::Flush() {
  m_flushPosted = false;
  // Lines queued while a send waits (commands served meanwhile) join the end of the queue.
  while (!m_outgoing.empty()) {
    Outgoing next = std::move(m_outgoing.front());
    m_outgoing.pop_front();
    Say("-> " + QuoteBytes(next.line));
    std::string bytes = next.line;
    bytes.push_back('\0');
    const SendOutcome outcome = SendCopyData(next.target, window(), 0, bytes, m_options.sendTimeoutMs);
    if (outcome.ok()) continue;
    Say(std::string("   send failed: ") + StatusName(outcome.status));
    if (outcome.status == SendStatus::kPeerGone || outcome.status == SendStatus::kNoWindow) {
      // The program is gone: nothing more reaches it, and it must attach again.
      std::erase_if(m_outgoing, [&](const Outgoing& o) { return o.target == next.target; });
      if (m_attached == next.target) m_attached = 0;
    }
  }
}

// ---- The scenario -----------------------------------------------------------------------------

void CallClientSim::AddSteps(const std::vector<ScenarioStep>& steps) {
  m_steps.insert(m_steps.end(), steps.begin(), steps.end());
  if (m_window) RunSteps();
}

void CallClientSim::RunSteps() {
  // A step's action can lead back here (a notification sent in-process); the outer run goes on.
  if (m_runningSteps || !m_window) return;
  m_runningSteps = true;
  bool ran = false;
  while (m_nextStep < m_steps.size() && m_window) {
    const ScenarioStep step = m_steps[m_nextStep];
    if (IsWait(step.verb)) {
      if (!WaitHolds(step)) break;
    } else {
      Say("step " + step.source);
      Do(step);
    }
    ++m_nextStep;
    ran = true;
  }
  m_runningSteps = false;
  if (ran && ScenarioDone() && m_onScenarioDone) m_onScenarioDone();
}

bool CallClientSim::WaitHolds(const ScenarioStep& step) {
  switch (step.verb) {
    case ScenarioVerb::kWait:
      if (m_waitElapsed || step.number == 0) {
        m_waitArmed = m_waitElapsed = false;
        return true;
      }
      if (!m_waitArmed) {
        Say("step " + step.source);
        m_waitArmed = true;
        SetTimer(window(), kWaitTimer, static_cast<uint32_t>(step.number));
      }
      return false;
    case ScenarioVerb::kWaitAttach:
      return m_attached != 0;
    case ScenarioVerb::kWaitCommand: {
      const std::vector<std::string> commands = Commands();
      for (size_t i = m_commandCursor; i < commands.size(); ++i) {
        if (StartsWithNoCase(U16(Untagged(commands[i])), U16(step.text))) {
          m_commandCursor = i + 1;
          return true;
        }
      }
      return false;
    }
    case ScenarioVerb::kWaitCall: {
      const SimCall* call = m_model.FindCall(static_cast<int32_t>(step.number));
      return call != nullptr && call->status == step.word;
    }
    default:
      return true;
  }
}

void CallClientSim::Do(const ScenarioStep& step) {
  CallClientModel::Lines lines;
  std::string error;
  const auto id = static_cast<int32_t>(step.number);
  switch (step.verb) {
    case ScenarioVerb::kNotify:
      lines.push_back(step.text);
      break;
    case ScenarioVerb::kRing:
      error = m_model.Ring(id, step.handle, step.type, step.audio, &lines);
      break;
    case ScenarioVerb::kHangup:
      error = m_model.CallerHangsUp(id, &lines);
      break;
    case ScenarioVerb::kStatus:
      error = m_model.SetCallStatus(id, step.word, &lines);
      break;
    case ScenarioVerb::kUserStatus:
      if (m_model.SetUserStatus(step.word)) {
        lines.push_back("USERSTATUS " + m_model.UserStatus());
      } else {
        error = "\"" + step.word + "\" is no status the user can set";
      }
      break;
    case ScenarioVerb::kConnStatus:
      if (m_model.SetConnStatus(step.word)) {
        lines.push_back("CONNSTATUS " + step.word);
      } else {
        error = "\"" + step.word + "\" is no connection status";
      }
      break;
    case ScenarioVerb::kContact:
      if (m_model.SetUserProperty(step.handle, step.word, step.text)) {
        lines.push_back("USER " + step.handle + " " + step.word + " " + step.text);
      } else {
        error = "\"" + step.word + "\" is no user property that can be set";
      }
      break;
    case ScenarioVerb::kDevice:
      m_model.SetDevice(step.word, step.text);
      lines.push_back(step.word + " " + step.text);
      break;
    case ScenarioVerb::kError68:
      InjectError68(step.text);
      break;
    case ScenarioVerb::kSilence:
      SetSilence(step.number);
      break;
    case ScenarioVerb::kAttach:
      SetAttachScript(step.attach);
      break;
    case ScenarioVerb::kAnnounce:
      Announce();
      break;
    case ScenarioVerb::kDie:
      Say("dying");
      if (m_onDie) {
        m_onDie();
      } else {
        m_window.Destroy();
      }
      break;
    case ScenarioVerb::kQuit:
      Say("quitting");
      if (m_onQuit) {
        m_onQuit();
      } else {
        m_loop.PostQuit(0);
      }
      break;
    default:
      break;
  }
  if (!error.empty()) Say("error: " + error);
  Queue(lines);
}

}  // namespace qav::sim
