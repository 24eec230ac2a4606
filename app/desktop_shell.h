// The shell's "open": web pages and the program's own files go to the desktop's opener
// (xdg-open), which hands them to the user's browser or the handler for their kind; an opener
// that gives up at once (no browser, no handler, no such file) is reported to the user by the main
// window's "Unable to open hyperlink" box. Programs are started detached from an argument vector
// (never through a shell).
#pragma once

#include <functional>

#include "app/parts/shell.h"
#include "platform/message.h"

class CDesktopShell : public CAppShell {
 public:
  // The window that shows a late failure's box: by default the program's main window.
  using NoticeWindow = std::function<qav::Hwnd()>;
  explicit CDesktopShell(NoticeWindow noticeWindow = {});

  bool OpenUrl(std::u16string_view url, bool maximized) override;
  bool OpenLocalFile(std::u16string_view path) override;
  bool StartProgram(std::u16string_view program, const std::vector<std::u16string>& arguments) override;

 private:
  bool RunOpener(const std::u16string& address);

  NoticeWindow m_noticeWindow;
};
