// The folders the program keeps its files in, mapped onto the XDG base directories.
//
// The program was designed around the shell's per-user folders (application data, Startup, the
// temporary folder) and a program folder beside the executable. Here each of those is an XDG base
// folder or a folder derived from one, and each can be replaced by an environment variable so that
// tests and portable set-ups never touch the user's real folders (docs/folders.md has the table).
//
// Every folder is program text (UTF-16) with "/" separators and ends in "/". Overrides and XDG
// variables are read on every call, so a test that sets one sees it at once; a value that is not an
// absolute path is ignored, as the XDG rules say.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace qav {

// The running executable's full path as the kernel gives it (/proc/self/exe); "" when it cannot be
// read. Bytes, for POSIX calls and for the crash handler.
std::string ExecutablePath();

// The folder of the running executable (from ExecutablePath), or $QAV_PROGRAM_DIR.
std::u16string ProgramFolder();

// The user's folder for application data: $QAV_DATA_DIR, else $XDG_DATA_HOME, else
// ~/.local/share. The program's own data goes into its "QAV/" subfolder.
std::u16string UserDataFolder();

// The user's configuration folder: $QAV_CONFIG_DIR, else $XDG_CONFIG_HOME, else ~/.config.
std::u16string UserConfigFolder();

// The user's folder for state that outlives a run but is not worth a backup (logs):
// $QAV_STATE_DIR, else $XDG_STATE_HOME, else ~/.local/state.
std::u16string UserStateFolder();

// The user's folder for sockets and locks of this login: $QAV_RUNTIME_DIR, else $XDG_RUNTIME_DIR,
// else a "runtime/" folder inside TempFolder(). Created with mode 0700.
std::u16string UserRuntimeFolder();

// The folder whose entries start programs at log-in: UserConfigFolder() + "autostart/".
std::u16string AutostartFolder();

// The temporary folder, private to this user: $QAV_TEMP_DIR, else "qav-<uid>/" inside $TMPDIR
// (default /tmp). Created with mode 0700 when missing, set to 0700 when it has another mode; a
// folder of that name that is a symbolic link or belongs to another user is never used (a fresh
// "qav-<uid>-XXXXXX" takes its place for the rest of the run; $QAV_TEMP_DIR has no stand-in and is
// refused). Empty when no private folder can be made, and then `problem` (when given) says which
// folder and why, for the user.
std::u16string TempFolder(std::string* problem = nullptr);

// The base path of the debug log files, without the "_0.log" ending: the program's state folder
// UserStateFolder() + "QAV/" + "QAV Debug Log". The "QAV/" folder is created when missing.
std::u16string DebugLogBasePath();

// Creates the folder and every missing parent with the given mode (existing ones are left as they
// are). True when the folder exists afterwards.
bool CreateFolderTree(std::u16string_view folder, mode_t mode = 0700);

// Folder text with a "/" at the end (unchanged when it has one or is empty).
std::u16string WithTrailingSlash(std::u16string_view folder);

}  // namespace qav
