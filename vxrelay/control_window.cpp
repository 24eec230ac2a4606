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

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
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
  // Watch the desktop directory for new windows and the process for its end, so the wait wakes
  // when something happens instead of polling.
  const std::string desktop = OpenDesktopDirectory();
  Fd changes(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  const bool watching = changes.get() >= 0 && !desktop.empty() &&
                        inotify_add_watch(changes.get(), desktop.c_str(), IN_CREATE | IN_MOVED_TO) >= 0;
  Fd ended(static_cast<int>(syscall(SYS_pidfd_open, process, 0)));
  if (ended.get() < 0 && errno == ESRCH) return false;  // already gone
  for (;;) {
    const Hwnd window = FindControlWindow();
    if (window != 0 && WindowProcessId(window) == static_cast<uint32_t>(process)) return true;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    pollfd fds[2] = {{changes.get(), POLLIN, 0}, {ended.get(), POLLIN, 0}};
    // Without a watch on the directory, look again every 50 ms.
    const int wait = watching ? static_cast<int>(left) : static_cast<int>(std::min<int64_t>(left, 50));
    poll(fds, 2, wait);
    if (fds[1].revents) return false;  // the process ended (a second copy, a crash)
    if (fds[0].revents) {
      char buffer[4096];
      while (read(changes.get(), buffer, sizeof buffer) > 0) {
      }
    }
  }
}

}  // namespace qav::vxrelay
