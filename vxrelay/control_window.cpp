#include "vxrelay/control_window.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <memory>

#include "platform/desktop_directory.h"
#include "platform/message.h"
#include "platform/window.h"

namespace qav::vxrelay {
namespace {

Hwnd FindControlWindow() { return FindWindow(kControlWindowClass); }

int ClampResult(LResult result) {
  if (result > INT_MAX) return INT_MAX;
  if (result < INT_MIN) return INT_MIN;
  return static_cast<int>(result);
}

// What a wait watches: the desktop directory for new windows (inotify) and the process for its end
// (a pidfd), so that it wakes when something happens instead of polling.
struct Watches {
  int directory = -1;
  int process = -1;
  bool watchingDirectory = false;

  Watches(const std::string& desktop, pid_t pid) {
    directory = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    watchingDirectory = directory >= 0 && !desktop.empty() &&
                        inotify_add_watch(directory, desktop.c_str(), IN_CREATE | IN_MOVED_TO) >= 0;
    process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  }
  ~Watches() {
    for (int fd : {directory, process}) {
      if (fd >= 0) close(fd);
    }
  }
  Watches(const Watches&) = delete;
  Watches& operator=(const Watches&) = delete;
};

}  // namespace

int SendCommand(Command command) {
  const Hwnd window = FindControlWindow();
  if (window == 0) return 0;
  SendOutcome outcome =
      SendMessageTimeout(window, kControlMessage, static_cast<WParam>(command), 0, kCommandTimeoutMs);
  return outcome.ok() ? ClampResult(outcome.result) : 0;
}

bool SetControlText(std::u16string_view text) {
  const Hwnd window = FindControlWindow();
  if (window == 0) return false;
  SendOutcome outcome = SendMessageTimeout(window, WM_SETTEXT, 0, 0, kCommandTimeoutMs,
                                           std::make_unique<TextPayload>(std::u16string(text)));
  return outcome.ok() && outcome.result != 0;
}

std::optional<std::u16string> FetchCurrentFile() {
  const Hwnd window = FindControlWindow();
  if (window == 0) return std::nullopt;
  SendOutcome outcome = SendMessageTimeout(window, kControlMessage, static_cast<WParam>(Command::kPutFileInText), 0,
                                           kCommandTimeoutMs);
  if (!outcome.ok() || outcome.result == 0) return std::nullopt;
  return GetWindowText(window);
}

bool WaitForControlWindow(pid_t process, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  Watches watches(OpenDesktopDirectory(), process);
  if (watches.process < 0 && errno == ESRCH) return false;  // already gone
  for (;;) {
    const Hwnd window = FindControlWindow();
    if (window != 0 && WindowProcessId(window) == static_cast<uint32_t>(process)) return true;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    pollfd fds[2] = {{watches.directory, POLLIN, 0}, {watches.process, POLLIN, 0}};
    // Without a watch on the directory, look again every 50 ms.
    poll(fds, 2, static_cast<int>(watches.watchingDirectory ? left : std::min<int64_t>(left, 50)));
    if (fds[1].revents) return false;  // the process ended (a second copy, a crash)
    if (fds[0].revents) {
      char buffer[4096];
      while (read(watches.directory, buffer, sizeof buffer) > 0) {
      }
    }
  }
}

}  // namespace qav::vxrelay
