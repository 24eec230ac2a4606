#include "sim/vidralux_stand_in.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/message_loop.h"
#include "platform/named_mutex.h"
#include "platform/text.h"
#include "platform/window.h"
#include "sim/vidralux_record.h"

namespace qav::sim {
namespace {

enum Command : WParam {
  kPlay = 1,
  kGetFile = 2,
  kStart = 3,
  kStop = 4,
  kPause = 5,
  kExit = 6,
};

std::string CurrentFolder() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? buffer : "";
}

std::string Pid() { return std::to_string(getpid()); }

bool ParseMs(std::string_view text, int* value) {
  std::optional<int32_t> parsed = ParseInt32(text);
  if (!parsed || *parsed < 0) return false;
  *value = *parsed;
  return true;
}

class StandIn {
 public:
  explicit StandIn(const VidraluxStandInOptions& options) : options_(options) {}

  int Run() {
    VidraluxRecordLine start{"start", Pid(), CurrentFolder()};
    start.insert(start.end(), options_.arguments.begin(), options_.arguments.end());
    Record(start);

    NamedMutex guard;
    if (!guard.TryAcquire(kVidraluxMutexName)) {
      Record({"second-instance", Pid()});
      return 1;
    }
    // The real application loads its capture filters before it opens its control window; callers
    // must wait for the window rather than for the process.
    if (options_.readyDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options_.readyDelayMs));

    MessageLoop loop;
    Window window;
    if (!window.Create(loop, kVidraluxWindowClass, u"", WindowKind::kTopLevel,
                       [this](Msg& message) { return Handle(message); })) {
      Record({"no-window", Pid()});
      return 2;
    }
    Record({"ready", Pid(), options_.minimized ? "minimized" : "normal"});
    if (options_.readyFd >= 0) {
      ssize_t ignored = write(options_.readyFd, "ready\n", 6);
      (void)ignored;
      close(options_.readyFd);
    }
    loop.Run();
    Record({"exit", Pid()});
    return 0;
  }

 private:
  void Record(const VidraluxRecordLine& fields) { AppendVidraluxRecord(options_.recordPath, fields); }

  LResult Handle(Msg& message) {
    if (message.message == WM_SETTEXT) return HandleSetText(message);
    if (message.message == kVidraluxControlMessage) {
      const LResult result = HandleCommand(message);
      Record({"command", std::to_string(message.wParam), std::to_string(result)});
      if (message.wParam == kExit) PostQuitMessage(0);
      return result;
    }
    return DefWindowProc(message);
  }

  LResult HandleSetText(Msg& message) {
    auto* text = message.Get<TextPayload>();
    const std::string utf8 = text ? Utf16ToUtf8(text->text) : std::string();
    const bool fits = text && utf8.size() <= kVidraluxMaxTextBytes;
    const LResult result = fits ? DefWindowProc(message) : 0;
    Record({"settext", utf8, std::to_string(result)});
    return result;
  }

  LResult HandleCommand(const Msg& message) {
    switch (message.wParam) {
      case kPlay: {
        std::u16string text = GetWindowText(message.window).value_or(u"");
        if (text.empty()) return 0;
        currentFile_ = std::move(text);
        return 1;
      }
      case kGetFile: {
        // Straight to the default procedure: the application writes its own text, which is not a
        // request to record.
        Msg setText;
        setText.window = message.window;
        setText.message = WM_SETTEXT;
        setText.payload = std::make_unique<TextPayload>(currentFile_);
        return DefWindowProc(setText);
      }
      case kStart:
      case kStop:
      case kPause:
      case kExit:
        return 1;
      default:
        return 0;
    }
  }

  const VidraluxStandInOptions& options_;
  std::u16string currentFile_;
};

}  // namespace

bool ParseVidraluxStandInOptions(int argc, char** argv, VidraluxStandInOptions* options, std::string* error) {
  *options = VidraluxStandInOptions{};
  if (const char* record = std::getenv("QAV_SIM_VIDRALUX_RECORD")) options->recordPath = record;
  if (const char* delay = std::getenv("QAV_SIM_VIDRALUX_READY_DELAY_MS")) {
    if (!ParseMs(delay, &options->readyDelayMs)) {
      *error = "QAV_SIM_VIDRALUX_READY_DELAY_MS is not a number of milliseconds: " + std::string(delay);
      return false;
    }
  }
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    options->arguments.emplace_back(argument);
    if (EqualsNoCase(argument, std::string_view("/min"))) {
      options->minimized = true;
    } else if (argument.starts_with("--record=")) {
      options->recordPath = argument.substr(9);
    } else if (argument.starts_with("--ready-delay-ms=")) {
      if (!ParseMs(argument.substr(17), &options->readyDelayMs)) {
        *error = "--ready-delay-ms takes a number of milliseconds: " + std::string(argument);
        return false;
      }
    } else if (argument.starts_with("--ready-fd=")) {
      int fd = -1;
      if (!ParseMs(argument.substr(11), &fd)) {
        *error = "--ready-fd takes a descriptor number: " + std::string(argument);
        return false;
      }
      options->readyFd = fd;
    } else if (argument.starts_with("--")) {
      *error = "unknown option: " + std::string(argument);
      return false;
    }
  }
  return true;
}

int RunVidraluxStandIn(const VidraluxStandInOptions& options) { return StandIn(options).Run(); }

}  // namespace qav::sim
