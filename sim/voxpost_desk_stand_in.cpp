#include "sim/voxpost_desk_stand_in.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <thread>

#include "platform/atomic_file.h"
#include "platform/message_loop.h"
#include "platform/text.h"
#include "platform/window.h"

namespace qav::sim {
namespace {

// QAV's main window, which answers the request for everything.
constexpr char kQavMainWindowClass[] = "ZarvelinMainWnd";
// A command line from standard input, posted to the window by the reader thread.
constexpr uint32_t kCommandMessage = WM_USER + 1;
constexpr int kDumpTimeoutMs = 10000;

void PrintLine(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

class StandIn {
 public:
  explicit StandIn(const VoxpostStandInOptions& options) : options_(options) {}

  int Run() {
    MessageLoop loop;
    if (!window_.Create(loop, options_.className, u"Voxpost Desk", WindowKind::kTopLevel,
                        [this](Msg& message) { return Handle(message); })) {
      return 2;
    }
    const Hwnd hwnd = window_.handle();
    // Standard input is read on a thread of its own, so the window keeps answering meanwhile.
    std::thread reader([hwnd] {
      std::string line;
      while (std::getline(std::cin, line)) {
        if (!PostMessage(hwnd, kCommandMessage, 0, 0, std::make_unique<TextPayload>(Utf8ToUtf16(line)))) break;
        if (line == "quit") return;
      }
      PostMessage(hwnd, kCommandMessage, 0, 0, std::make_unique<TextPayload>(u"quit"));
    });
    reader.detach();
    PrintLine("ready");
    const int code = loop.Run();
    window_.Destroy();
    return code;
  }

 private:
  LResult Handle(Msg& message) {
    if (message.message == WM_COPYDATA) return OnNotice(message);
    if (message.message == kCommandMessage) {
      const auto* command = message.Get<TextPayload>();
      if (command) OnCommand(Utf16ToUtf8(command->text));
      return 0;
    }
    return DefWindowProc(message);
  }

  LResult OnNotice(Msg& message) {
    const auto* data = message.Get<CopyDataPayload>();
    if (data == nullptr || data->view().dwData != kVoxpostNoticeData) return 0;
    ++count_;
    std::string path = "-";
    if (!options_.recordFolder.empty()) {
      path = options_.recordFolder + "/" + std::to_string(count_) + ".xml";
      if (!ReplaceFileAtomically(path, 0600, data->bytes())) path = "unwritable";
    }
    PrintLine("notice " + path);
    return 1;
  }

  void OnCommand(const std::string& command) {
    if (command == "quit") {
      PostQuitMessage(0);
    } else if (command == "dump") {
      const Hwnd qav = FindWindow(kQavMainWindowClass);
      if (qav == 0) {
        PrintLine("dump none");
        return;
      }
      const SendOutcome outcome = SendCopyData(qav, window_.handle(), kVoxpostNoticeData, std::string(1, '\0'),
                                               kDumpTimeoutMs);
      PrintLine("dump " + (outcome.ok() ? std::to_string(outcome.result) : std::string("failed")));
    } else if (!command.empty()) {
      PrintLine("unknown " + command);
    }
  }

  const VoxpostStandInOptions& options_;
  Window window_;
  int count_ = 0;
};

}  // namespace

bool ParseVoxpostStandInOptions(int argc, char** argv, VoxpostStandInOptions* options, std::string* error) {
  *options = VoxpostStandInOptions{};
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--pro") {
      options->className = kVoxpostDeskProClass;
    } else if (argument.starts_with("--record=")) {
      options->recordFolder = argument.substr(9);
    } else {
      *error = "unknown option: " + std::string(argument);
      return false;
    }
  }
  return true;
}

int RunVoxpostStandIn(const VoxpostStandInOptions& options) { return StandIn(options).Run(); }

}  // namespace qav::sim
