// The desktop directory: where the top-level windows of every process on this desktop listen, and
// where the registered message names are kept.
//
// It is $QAV_DESKTOP_DIR when set, else $XDG_RUNTIME_DIR/qav-desktop, else
// /tmp/qav-desktop-<uid>. The folder is created with mode 0700 and must belong to the user: the
// folder's permissions are what keep other users off the bus. Every process of the user must find
// the same folder, so one that another user made first under the /tmp name is refused, not
// replaced.
#pragma once

#include <string>
#include <string_view>

namespace qav {

// The configured path (read from the environment at each call, so tests can point it elsewhere).
std::string DesktopDirectory();

// The path after making sure the folder exists, is a directory (not a link), belongs to this
// user and has mode 0700 (set when it has another; platform/private_folder.h); "" when it cannot
// be made so, and then `problem` (when given) says which folder and why, for the user.
std::string OpenDesktopDirectory(std::string* problem = nullptr);

// A name (a window class, a mutex name) as it is written into a file name in the directory:
// letters, digits, '_' and '-' as they are, every other byte as %XX.
std::string EscapeDesktopName(std::string_view name);
bool IsPlainDesktopNameChar(char c);

}  // namespace qav
