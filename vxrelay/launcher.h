// Starting the application from its installation folder.
#pragma once

namespace qav::vxrelay {

// The program's file name in the installation folder.
inline constexpr char kVidraluxProgram[] = "Vidralux.exe";
// How long a start waits for the new process's control window.
inline constexpr int kReadyTimeoutMs = 15000;

// Starts "<Directory>/Vidralux.exe" (with "/min" when minimized) in the installation folder and
// waits until the new process has its control window, ends or kReadyTimeoutMs pass: -1 once the
// process was started (whether or not it became ready in time), 0 when it could not be started
// (no installation folder, no such program).
int LaunchVidralux(bool minimized);

}  // namespace qav::vxrelay
