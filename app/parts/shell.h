// The shell part: opening web pages and starting other programs, as the desktop's shell does. Its
// default is the desktop's own (app/desktop_shell.h); tests record instead. GUI thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CAppShell {
 public:
  virtual ~CAppShell() = default;
  // Opens the web address in the user's browser (`maximized` as the design asked; a hint only).
  // Only http and https addresses (IsWebAddress, app/web_links.h) are opened: anything else is
  // logged and refused. False when refused or when nothing could open it.
  virtual bool OpenUrl(std::u16string_view url, bool maximized) = 0;
  // Opens one of the program's own files or folders (an absolute path) with the desktop's handler
  // for its kind, as a double-click would; false when the path is not absolute or nothing could
  // open it.
  virtual bool OpenLocalFile(std::u16string_view path) = 0;
  // Starts the program detached with the arguments; false when it cannot be started.
  virtual bool StartProgram(std::u16string_view program, const std::vector<std::u16string>& arguments) = 0;
};
