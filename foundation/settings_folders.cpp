#include "foundation/settings_folders.h"

#include <mutex>
#include <optional>

#include "foundation/app_folders.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "foundation/settings_hooks.h"
#include "platform/folders.h"
#include "platform/mount_point.h"
#include "platform/text.h"

std::atomic<bool> g_RemovableMode{false};

namespace {

std::mutex g_driveMutex;
std::optional<std::u16string> g_appDrive;

std::u16string WithoutTrailingSlash(std::u16string path) {
  while (!path.empty() && path.back() == u'/') path.pop_back();
  return path;
}

}  // namespace

std::u16string GetAppDrive() {
  std::lock_guard<std::mutex> lock(g_driveMutex);
  if (!g_appDrive) g_appDrive = WithoutTrailingSlash(qav::MountPointOf(GetAppFolder()).value_or(u"/"));
  return *g_appDrive;
}

void SetAppDrive(std::u16string_view mountPoint) {
  std::lock_guard<std::mutex> lock(g_driveMutex);
  g_appDrive = WithoutTrailingSlash(std::u16string(mountPoint));
}

std::u16string GetAppDataFolder() {
  if (g_RemovableMode) return GetAppFolder();
  const std::u16string base = GetSpecialFolderPath(CSIDL_APPDATA);
  if (base.empty()) {
    QAV_LOG(LOG_WARNING, u"GetAppDataFolder: no application data folder; settings are neither read nor written");
    return u"";
  }
  const std::u16string folder = qav::WithTrailingSlash(base) + u"QAV/";
  qav::CreateFolderTree(folder);
  return folder;
}

std::u16string GetIniFilePath() {
  const std::u16string folder = GetAppDataFolder();
  return folder.empty() ? u"" : folder + u"QAV.ini";
}

bool IsSafeUserFolderName(std::u16string_view handle) {
  if (handle.empty() || handle == u"." || handle == u".." || qav::U8(handle).size() > 255) return false;
  for (char16_t c : handle) {
    if (c == u'/' || c == u'\\' || c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::u16string GetUserDataFolder() {
  const std::u16string handle = GetCurrentUserHandle();
  if (handle.empty()) return u"";
  if (!IsSafeUserFolderName(handle)) {
    QAV_LOG(LOG_WARNING, u"GetUserDataFolder: the handle [%s] cannot name a folder; no per-user settings",
            handle);
    return u"";
  }
  const std::u16string data = GetAppDataFolder();
  if (data.empty()) return u"";
  const std::u16string folder = data + handle + u"/";
  qav::CreateFolderTree(folder);
  return folder;
}

std::u16string GetUserIniPath() {
  const std::u16string folder = GetUserDataFolder();
  return folder.empty() ? u"" : folder + u"QAV.ini";
}

std::u16string GetMessagesRootFolder() {
  if (g_RemovableMode) return GetAppFolder();
  const std::u16string chosen = g_RcvdMsgsFolderPath.Get();
  return chosen.empty() ? GetAppDataFolder() : qav::WithTrailingSlash(chosen);
}

std::u16string GetConversationsRootFolder() {
  if (g_RemovableMode) return GetAppFolder();
  const std::u16string chosen = g_RecConvsFolderPath.Get();
  return chosen.empty() ? GetAppDataFolder() : qav::WithTrailingSlash(chosen);
}

std::u16string GetRecordingFileExtension() { return g_AudioFileRecordingFormat != 0 ? u"mp3" : u"wav"; }
