// The start-up entry: starts the program at log-in with "/winstartup" while StartAppWithWindows is
// set. It is the XDG autostart file "ZarvelinQAV.desktop" in the autostart folder, in place of the
// value "ZarvelinQAV" under the Run key; its Exec line is the program file, quoted, and the switch.
//
// (The settings store keeps a second entry, "QAV.desktop", in line with WinStartUp: the program
// has always had both.)
#pragma once

#include <string>
#include <string_view>

#include "platform/app_profile.h"

inline constexpr char16_t kStartupEntryName[] = u"ZarvelinQAV";

// Keeps the entry in line with `startAppWithWindows`: written when set and not already exactly
// as wanted; removed when clear, together with the profile's StartAppWithWindows value (so the
// default applies at the next start). Failures are logged and change nothing else.
void StartupUpdate(bool startAppWithWindows, std::u16string_view programPath, std::u16string_view autostartFolder,
                   qav::AppProfile& profile);

// The Exec value the entry carries for the program.
std::u16string StartupEntryExec(std::u16string_view programPath);
