// The shell's "open": web pages go to the user's browser through xdg-open, programs are started
// detached from an argument vector (never through a shell).
#pragma once

#include "app/parts/shell.h"

class CDesktopShell : public CAppShell {
 public:
  bool OpenUrl(std::u16string_view url, bool maximized) override;
  bool StartProgram(std::u16string_view program, const std::vector<std::u16string>& arguments) override;
};
