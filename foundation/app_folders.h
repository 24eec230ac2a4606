// The program's folder, the shell's special folders and temporary file names, over the folder
// map of platform/folders.h. Folders end in "/".
#pragma once

#include <string>
#include <string_view>

// The special folder ids the program asks for, with the values the shell gives them.
constexpr int CSIDL_STARTUP = 0x0007;  // programs started at log-in: the XDG autostart folder
constexpr int CSIDL_APPDATA = 0x001A;  // the user's application data: the XDG data folder

// The folder of the program file, ending in "/"; computed once and kept for the run.
std::u16string GetAppFolder();

// The program file as it runs: GetAppFolder() and the name it was started under; "" when the
// running executable cannot be read.
std::u16string GetRunningProgramPath();

// The folder for the id, created when it does not exist; "" for an id this build does not map
// or when the folder cannot be created.
std::u16string GetSpecialFolderPath(int csidl);

// A new, empty file with a unique name in the private temporary folder: the prefix, six random
// characters and the suffix (".tmp" unless another is given, e.g. ".wav" for a writer that goes by
// the extension). The file is created (mode 0600) before the name is returned, so no other caller
// can take the name. "" when no file can be made.
std::u16string GetTempFileNameWithPrefix(std::u16string_view prefix, std::u16string_view suffix = u".tmp");

// The names of greeting recordings in the private temporary folder, while the options page records.
inline constexpr char16_t kGreetingRecordingPrefix[] = u"TempNewGreeting-";

// Removes the greeting recordings a run that crashed left in the private temporary folder (those
// nobody marks in use, platform/leftover_files.h), each logged; returns how many.
int RemoveLeftoverGreetingRecordings();
