#include "foundation/app_folders.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

#include "foundation/logger.h"
#include "platform/folders.h"
#include "platform/leftover_files.h"
#include "platform/text.h"

std::u16string GetAppFolder() {
  static const std::u16string folder = qav::ProgramFolder();
  return folder;
}

std::u16string GetRunningProgramPath() {
  const std::string exe = qav::ExecutablePath();
  if (exe.empty()) return u"";
  return GetAppFolder() + qav::Utf8ToUtf16(exe.substr(exe.rfind('/') + 1));
}

std::u16string GetSpecialFolderPath(int csidl) {
  std::u16string folder;
  switch (csidl) {
    case CSIDL_APPDATA:
      folder = qav::UserDataFolder();
      break;
    case CSIDL_STARTUP:
      folder = qav::AutostartFolder();
      break;
    default:
      return {};
  }
  return qav::CreateFolderTree(folder, 0700) ? folder : std::u16string();
}

int RemoveLeftoverGreetingRecordings() {
  const std::u16string folder = qav::TempFolder();
  if (folder.empty()) return 0;
  const std::vector<std::u16string> removed = qav::RemoveLeftoverFiles(folder, kGreetingRecordingPrefix);
  for (const std::u16string& name : removed) {
    QAV_LOG(LOG_INFO, u"Removed a greeting recording an earlier run left behind: %s%s", folder, name);
  }
  return static_cast<int>(removed.size());
}

std::u16string GetTempFileNameWithPrefix(std::u16string_view prefix, std::u16string_view suffix) {
  const std::u16string folder = qav::TempFolder();
  if (folder.empty() || prefix.find(u'/') != std::u16string_view::npos || suffix.find(u'/') != std::u16string_view::npos)
    return {};
  const std::string ending = qav::Utf16ToUtf8(suffix);
  std::string pattern = qav::Utf16ToUtf8(folder) + qav::Utf16ToUtf8(prefix) + "XXXXXX" + ending;
  const int fd = mkostemps(pattern.data(), static_cast<int>(ending.size()), O_CLOEXEC);
  if (fd < 0) return {};
  close(fd);
  return qav::Utf8ToUtf16(pattern);
}
