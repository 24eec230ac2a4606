// A stand-in for the virtual-webcam application Vidralux, for tests and for machines without it.
//
// It behaves as the webcam control library expects of the real application: it takes the
// application's single-instance mutex (a second copy records that and ends), may take a while
// before it is ready, then owns the control window of the class "VIDRALUX_EXTERNAL_CTRL_WND_CLASS"
// on the desktop bus. That window's text carries file paths, and its private message 0x807B
// (WM_APP + 0x7B) takes a command number in wParam: 1 play the file named in the text, 2 put the
// current file's path into the text, 3 start, 4 stop, 5 pause, 6 exit. It plays nothing; it
// records every request in a file (sim/vidralux_record.h), and docs/webcam.md describes the
// command line and the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qav::sim {

inline constexpr char kVidraluxWindowClass[] = "VIDRALUX_EXTERNAL_CTRL_WND_CLASS";
inline constexpr char kVidraluxMutexName[] = "QuenmarkVidraluxCopyGuard";
inline constexpr uint32_t kVidraluxControlMessage = 0x807B;
// The longest window text the application takes, in UTF-8 bytes; a longer one is refused.
inline constexpr size_t kVidraluxMaxTextBytes = 519;

struct VidraluxStandInOptions {
  std::vector<std::string> arguments;  // as given, without the program name
  bool minimized = false;              // "/min"
  std::string recordPath;              // "" records nothing
  int readyDelayMs = 0;                // how long it takes to become ready
  int readyFd = -1;                    // gets "ready\n" once the control window exists
};

// Options from the command line, over the environment (docs/webcam.md). False, with a message
// in `error`, for an option it does not understand.
bool ParseVidraluxStandInOptions(int argc, char** argv, VidraluxStandInOptions* options, std::string* error);

// Runs the stand-in until it is told to exit; the process's exit status: 0 after an exit command,
// 1 when another copy holds the mutex, 2 when the control window cannot be made.
int RunVidraluxStandIn(const VidraluxStandInOptions& options);

}  // namespace qav::sim
