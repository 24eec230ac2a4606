// The registry profile: the few values the program keeps in the registry beside its two settings
// files, under HKEY_CURRENT_USER "Software\Zarvelin\QAV\Settings" (qav::AppProfile). They are read
// once at start-up and written once at exit.
//
// The record is the application object's and is used on the GUI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/app_profile.h"

inline constexpr char16_t kProfileCompany[] = u"Zarvelin";
inline constexpr char16_t kProfileApplication[] = u"QAV";
inline constexpr char16_t kProfileSection[] = u"Settings";

// The update-check period the program starts with, and the range a server value is held to.
inline constexpr int32_t kDefaultUpdateCheckPeriodSec = 14400;
inline constexpr int32_t kMinUpdateCheckPeriodSec = 60;
inline constexpr int32_t kMaxUpdateCheckPeriodSec = 30 * 24 * 3600;

struct CRegistryProfile {
  int32_t UIMainPanelLeft = -1;  // -1: no position stored
  int32_t UIMainPanelTop = -1;
  int32_t LoggingEnabled = 0;  // the debug log's level; 0 off
  std::u16string Language = u"EN";  // upper case
  int32_t LanguageSameAsSkypeClientUI = 1;
  int32_t StartAppWithWindows = 0;
  int32_t StartSkypeWithApp = 1;
  int32_t AlwaysShowAppSysTrayIcon = 0;
  int32_t RestoreWindowOnAciveCall = 1;
  int32_t CheckForUpdateBtn = 0;  // set by the server
  int32_t IsSkypeCertified = 0;   // set by the server
  bool ReportProblemUsingWebPage = false;  // cnfgstr1
  std::u16string KeptServerText;           // cnfgstr4, read back and written unchanged
  // Test switches of the version check, read only (its business what they change).
  int32_t UpdateCheckTestServer = 0;
  int32_t UpdateCheckTestAlways = 0;
  // Kept in memory only.
  int32_t UpdateCheckPeriodSec = kDefaultUpdateCheckPeriodSec;  // set by the server
  bool RightToLeft = false;  // of the current language
};

// Reads every value, each with the record's value as its default (a missing or damaged value
// leaves the record's value in force).
void LoadRegistryProfile(const qav::AppProfile& profile, CRegistryProfile& record);
// Writes every value. LoggingEnabled only when it is not 0 or already stored (so turning the log
// off is kept, and a first run creates no such value); each cnfgstr value in a fresh envelope.
void SaveRegistryProfile(qav::AppProfile& profile, const CRegistryProfile& record);

// The profile key's place in the registry store (the default store unless tests point
// QAV_REGISTRY_DIR elsewhere).
qav::AppProfile ProgramProfile();
