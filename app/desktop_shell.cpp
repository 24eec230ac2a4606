#include "app/desktop_shell.h"

#include "app/web_links.h"
#include "foundation/logger.h"
#include "platform/process.h"

namespace {

// The desktop's opener, found on $PATH.
constexpr char16_t kOpener[] = u"xdg-open";

// Hands the address to the opener as its one argument, never shell text. Every address given here
// begins with "http://", "https://" or "file://", so the opener cannot take it for an option.
bool RunOpener(const std::u16string& address) {
  const pid_t pid = qav::SpawnDetached({kOpener, {address}, u""});
  if (pid < 0) QAV_LOG(LOG_WARNING, u"CDesktopShell: %s could not be started for [%s]", kOpener, address);
  return pid >= 0;
}

}  // namespace

bool CDesktopShell::OpenUrl(std::u16string_view url, bool) {
  if (!IsWebAddress(url)) {
    QAV_LOG(LOG_WARNING, u"CDesktopShell::OpenUrl: [%s] is no http or https address; it is not opened", url);
    return false;
  }
  return RunOpener(std::u16string(url));
}

bool CDesktopShell::OpenLocalFile(std::u16string_view path) {
  const std::u16string address = LocalFileAddress(path);
  if (address.empty()) {
    QAV_LOG(LOG_WARNING, u"CDesktopShell::OpenLocalFile: [%s] is no absolute path; it is not opened", path);
    return false;
  }
  return RunOpener(address);
}

bool CDesktopShell::StartProgram(std::u16string_view program, const std::vector<std::u16string>& arguments) {
  if (program.empty()) return false;
  const pid_t pid = qav::SpawnDetached({std::u16string(program), arguments, u""});
  if (pid < 0) QAV_LOG(LOG_WARNING, u"CDesktopShell::StartProgram: [%s] could not be started", program);
  return pid >= 0;
}
