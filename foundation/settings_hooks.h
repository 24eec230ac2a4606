// What the settings store needs from the layers above it, installed by the application at
// start-up (tests install their own). Each hook may be left empty: no current user, the language
// left alone, and the stored language path written back unchanged.
#pragma once

#include <functional>
#include <string>

struct CSettingsHooks {
  // The current user's call-client handle, "" while none is known (the contacts' current user).
  std::function<std::u16string()> currentUserHandle;
  // Switches the program's language to the file at the path (the application's ApplyLanguage).
  std::function<void(const std::u16string& path)> applyLanguage;
  // The path of the current language's file, as the application builds it (GetLanguageFilePath).
  std::function<std::u16string()> languageFilePath;
};

// Installs the hooks (a copy); safe to call while other threads use the settings.
void SetSettingsHooks(CSettingsHooks hooks);
CSettingsHooks GetSettingsHooks();

// The current user's handle through the hook; "" without one.
std::u16string GetCurrentUserHandle();
