#include "foundation/settings_hooks.h"

#include <mutex>

namespace {

std::mutex g_hooksMutex;
CSettingsHooks g_hooks;

}  // namespace

void SetSettingsHooks(CSettingsHooks hooks) {
  std::lock_guard<std::mutex> lock(g_hooksMutex);
  g_hooks = std::move(hooks);
}

CSettingsHooks GetSettingsHooks() {
  std::lock_guard<std::mutex> lock(g_hooksMutex);
  return g_hooks;
}

std::u16string GetCurrentUserHandle() {
  const CSettingsHooks hooks = GetSettingsHooks();
  return hooks.currentUserHandle ? hooks.currentUserHandle() : std::u16string();
}
