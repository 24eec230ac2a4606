// The application's control window on the desktop bus, and the commands it takes.
//
// The window is looked up afresh for every request, so a restarted application is found again and
// a closed one is never sent to. Every request waits for the application's answer at most
// kCommandTimeoutMs: a hung application costs the caller that long, never more.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qav::vxrelay {

inline constexpr char kControlWindowClass[] = "VIDRALUX_EXTERNAL_CTRL_WND_CLASS";
inline constexpr uint32_t kControlMessage = 0x807B;  // WM_APP + 0x7B; wParam = the command
inline constexpr int kCommandTimeoutMs = 10000;

enum class Command : uint64_t {
  kPlay = 1,           // play the file whose path was just put into the window's text
  kPutFileInText = 2,  // put the current file's path into the window's text
  kStart = 3,
  kStop = 4,
  kPause = 5,
  kExit = 6,
};

// The application's result (non-zero is success, clamped to int); 0 without a control window or
// when the application does not answer.
int SendCommand(Command command);

// Puts the text into the window (WM_SETTEXT). False without a window, or when the application
// refuses the text.
bool SetControlText(std::u16string_view text);

// Command 2, then the window's text; nullopt when there is no window, the command fails or the
// text cannot be read.
std::optional<std::u16string> FetchCurrentFile();

// Waits until the process has its control window on the desktop, the process ends (a second copy
// gives way to the first), or timeoutMs pass; true when the window is there. This is the wait
// until a new process is ready for input.
bool WaitForControlWindow(pid_t process, int timeoutMs);

}  // namespace qav::vxrelay
