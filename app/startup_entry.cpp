#include "app/startup_entry.h"

#include <vector>

#include "app/registry_profile.h"
#include "foundation/logger.h"
#include "platform/autostart.h"
#include "platform/folders.h"

namespace {

const std::vector<std::u16string>& StartupArguments() {
  static const std::vector<std::u16string> arguments = {u"/winstartup"};
  return arguments;
}

}  // namespace

std::u16string StartupEntryExec(std::u16string_view programPath) {
  return qav::DesktopExecLine(programPath, StartupArguments());
}

void StartupUpdate(bool startAppWithWindows, std::u16string_view programPath, std::u16string_view autostartFolder,
                   qav::AppProfile& profile) {
  if (autostartFolder.empty() || !qav::CreateFolderTree(autostartFolder)) {
    QAV_LOG(LOG_WARNING, u"StartupUpdate FAILED to Set Key to %s", autostartFolder);
    return;
  }
  if (startAppWithWindows) {
    const std::u16string wanted = StartupEntryExec(programPath);
    if (qav::ReadAutostartExec(autostartFolder, kStartupEntryName) == wanted) return;
    if (!qav::WriteAutostartEntry(autostartFolder, kStartupEntryName, programPath, StartupArguments(), u"QAV")) {
      QAV_LOG(LOG_WARNING, u"StartupUpdate FAILED to WriteString [%s = $s]", kStartupEntryName, wanted);
    }
    return;
  }
  if (!qav::RemoveAutostartEntry(autostartFolder, kStartupEntryName)) {
    QAV_LOG(LOG_WARNING, u"StartupUpdate FAILED to DeleteValue [%s]", kStartupEntryName);
    return;
  }
  profile.DeleteProfileValue(kProfileSection, u"StartAppWithWindows");
}
