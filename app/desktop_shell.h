// The shell's "open": web pages and the program's own files go to the desktop's opener
// (xdg-open), which hands them to the user's browser or the handler for their kind; programs are
// started detached from an argument vector (never through a shell).
#pragma once

#include "app/parts/shell.h"

class CDesktopShell : public CAppShell {
 public:
  bool OpenUrl(std::u16string_view url, bool maximized) override;
  bool OpenLocalFile(std::u16string_view path) override;
  bool StartProgram(std::u16string_view program, const std::vector<std::u16string>& arguments) override;
};
