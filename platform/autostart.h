// Start-at-log-in entries: XDG autostart files, in place of shortcuts in the Startup folder.
//
// An entry is "<title>.desktop" in the autostart folder (the folder map's Startup folder, given by
// the caller with its trailing "/"). The folder is created when missing, and the file is written to
// a temporary file and renamed into place.
#pragma once

#include <string>
#include <string_view>

namespace qav {

// The Exec value that runs the program with no arguments, quoted and escaped as desktop entries
// want it (so a path with blanks, quotes, "$" or "%" starts the right file).
std::u16string DesktopExecQuote(std::u16string_view programPath);

// Writes "<title>.desktop" starting the program, named `title`, with the description as comment.
bool WriteAutostartEntry(std::u16string_view folder, std::u16string_view title, std::u16string_view programPath,
                         std::u16string_view description);
// Removes "<title>.desktop"; true when it is gone (also when it never existed).
bool RemoveAutostartEntry(std::u16string_view folder, std::u16string_view title);

}  // namespace qav
