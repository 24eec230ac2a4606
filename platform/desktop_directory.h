// The desktop directory: where the top-level windows of every process on this desktop listen, and
// where the registered message names are kept.
//
// It is $QAV_DESKTOP_DIR when set, else $XDG_RUNTIME_DIR/qav-desktop, else
// /tmp/qav-desktop-<uid>. The folder is created with mode 0700 and must belong to the user: the
// folder's permissions are what keep other users off the bus.
#pragma once

#include <string>
#include <string_view>

namespace qav {

// The configured path (read from the environment at each call, so tests can point it elsewhere).
std::string DesktopDirectory();

// The path after making sure the folder exists, is a directory (not a link), belongs to this
// user and is closed to everybody else (mode 0700 is restored when looser); "" when it cannot be
// made so.
std::string OpenDesktopDirectory();

// A name (a window class, a mutex name) as it is written into a file name in the directory:
// letters, digits, '_' and '-' as they are, every other byte as %XX.
std::string EscapeDesktopName(std::string_view name);
bool IsPlainDesktopNameChar(char c);

}  // namespace qav
