#include "audio/virtual_cable_removal.h"

#include <cerrno>
#include <string>
#include <vector>

#include "foundation/app_folders.h"
#include "foundation/logger.h"
#include "foundation/registry_access.h"
#include "foundation/run_process.h"

namespace {

constexpr char16_t kDeviceName[] = u"QAV Virtual Cable";
constexpr char16_t kDriverFile[] = u"qavvcumd.dll";
constexpr char16_t kDriverManager[] = u"mmdrvmgr.exe";
constexpr char16_t kDriverManagerParameters[] = u"-r \"QAV Virtual Cable\" \"wave,mixer\"";

constexpr char16_t kDriversDescKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\drivers.desc";
constexpr char16_t kServiceKey[] = u"SYSTEM\\CurrentControlSet\\Services\\QavVirtualCable";
constexpr char16_t kDrivers32Key[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
constexpr char16_t kUserInstallableKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Userinstallable.drivers";
constexpr char16_t kWaveMapperKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Wave Mapper\\qavvcumd.dll";

// The removal's lines carry the source name of the cable's installer, not a file name.
#define QAVVAC_LOG(level, ...)                                                                        \
  do {                                                                                                \
    if (static_cast<int32_t>(level) >= g_Logger.GetMinLevel()) {                                      \
      g_Logger.Log(static_cast<int32_t>(level), u"QAVVAC", __LINE__, qav::Format(__VA_ARGS__));       \
    }                                                                                                 \
  } while (0)

void LogStep(bool removed, std::u16string_view what) {
  if (removed) {
    QAVVAC_LOG(LOG_INFO, u"Removed OK: %s", what);
  } else {
    QAVVAC_LOG(LOG_WARNING, u"Failed Remove: %s", what);
  }
}

// Deletes every value of the key whose text is the driver's file name.
void RemoveDriverValues(CRegistryAccess& registry, std::u16string_view key, std::u16string_view shortName) {
  if (!registry.SetKey(key, false)) return;
  std::vector<std::u16string> names;
  registry.GetValueNames(names);
  for (const std::u16string& name : names) {
    if (registry.ReadString(name, u"") != kDriverFile) continue;
    LogStep(registry.DeleteValue(name), qav::Format(u"%s\\%s", shortName, name));
  }
}

}  // namespace

int RemoveVirtualCableDriver() { return RemoveVirtualCableDriver(GetAppFolder(), qav::RegistryStore()); }

int RemoveVirtualCableDriver(std::u16string_view programFolder, const qav::RegistryStore& store) {
  CRegistryAccess registry(store);
  registry.SetRootKey(HKEY_LOCAL_MACHINE);

  // 1. Let the cable's own manager unregister the device, when the cable is there.
  if (registry.SetKey(kDriversDescKey, false) && registry.ReadString(kDriverFile, u"") == kDeviceName) {
    const std::u16string program = std::u16string(programFolder) + kDriverManager;
    QAVVAC_LOG(LOG_INFO, u"Executing %s %s", program, kDriverManagerParameters);
    errno = 0;
    const int exitCode = RunProcessAndWait(program, kDriverManagerParameters, u"");
    const int lastError = errno;
    if (exitCode != 0) {
      QAVVAC_LOG(LOG_WARNING, u"Failed Remove: [ERROR CODE %d, %d], Cmd: '%s', Params: '%s'", exitCode, lastError,
                 program, kDriverManagerParameters);
      return 0;
    }
    QAVVAC_LOG(LOG_INFO, u"Removed OK: Done mmdrvmgr.exe");
  }

  // 2. The device's description.
  LogStep(!registry.SetKey(kDriversDescKey, false) || registry.DeleteValue(kDriverFile),
          u"drivers.desc\\qavvcumd.dll");
  // 3. The driver's service.
  LogStep(registry.DeleteKey(kServiceKey), u"Services\\QavVirtualCable");
  // 4, 5. The driver's entries among the installed drivers.
  RemoveDriverValues(registry, kDrivers32Key, u"Drivers32");
  RemoveDriverValues(registry, kUserInstallableKey, u"Userinstallable.drivers");
  // 6. The wave mapper's key for the driver.
  const bool removed = registry.DeleteKey(kWaveMapperKey);
  LogStep(removed, u"Wave Mapper\\qavvcumd.dll");
  return removed ? 1 : 0;
}
