// Start-at-log-in entries: XDG autostart files, in place of shortcuts in the Startup folder.
//
// An entry is "<title>.desktop" in the autostart folder (the folder map's Startup folder, given by
// the caller with its trailing "/"). The folder is created when missing, and the file is written to
// a temporary file and renamed into place.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qav {

// The Exec value that runs the program with no arguments, quoted and escaped as desktop entries
// want it (so a path with blanks, quotes, "$" or "%" starts the right file).
std::u16string DesktopExecQuote(std::u16string_view programPath);

// The Exec value that runs the program with the arguments: each quoted and escaped as above.
std::u16string DesktopExecLine(std::u16string_view programPath, std::span<const std::u16string> arguments);

// Writes "<title>.desktop" starting the program, named `title`, with the description as comment.
bool WriteAutostartEntry(std::u16string_view folder, std::u16string_view title, std::u16string_view programPath,
                         std::u16string_view description);
// The same with arguments after the program.
bool WriteAutostartEntry(std::u16string_view folder, std::u16string_view title, std::u16string_view programPath,
                         std::span<const std::u16string> arguments, std::u16string_view description);
// The Exec value of "<title>.desktop" as it stands in the file; nullopt when there is no such entry
// (or it has no Exec line).
std::optional<std::u16string> ReadAutostartExec(std::u16string_view folder, std::u16string_view title);
// Removes "<title>.desktop"; true when it is gone (also when it never existed).
bool RemoveAutostartEntry(std::u16string_view folder, std::u16string_view title);

}  // namespace qav
