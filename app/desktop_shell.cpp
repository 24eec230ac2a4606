#include "app/desktop_shell.h"

#include "foundation/logger.h"
#include "platform/process.h"

bool CDesktopShell::OpenUrl(std::u16string_view url, bool) {
  if (url.empty()) return false;
  // xdg-open hands the address to the user's browser; it is one argument, never shell text.
  const pid_t pid = qav::SpawnDetached({u"xdg-open", {std::u16string(url)}, u""});
  if (pid < 0) QAV_LOG(LOG_WARNING, u"CDesktopShell::OpenUrl: xdg-open could not be started for [%s]", url);
  return pid >= 0;
}

bool CDesktopShell::StartProgram(std::u16string_view program, const std::vector<std::u16string>& arguments) {
  if (program.empty()) return false;
  const pid_t pid = qav::SpawnDetached({std::u16string(program), arguments, u""});
  if (pid < 0) QAV_LOG(LOG_WARNING, u"CDesktopShell::StartProgram: [%s] could not be started", program);
  return pid >= 0;
}
