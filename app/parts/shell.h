// The shell part: opening web pages and starting other programs, as the desktop's shell does. Its
// default is the desktop's own (app/desktop_shell.h); tests record instead. GUI thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CAppShell {
 public:
  virtual ~CAppShell() = default;
  // Opens the address in the user's browser (`maximized` as the design asked; a hint only).
  virtual bool OpenUrl(std::u16string_view url, bool maximized) = 0;
  // Starts the program detached with the arguments; false when it cannot be started.
  virtual bool StartProgram(std::u16string_view program, const std::vector<std::u16string>& arguments) = 0;
};
