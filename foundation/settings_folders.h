// The program's folders as the settings store defines them, and portable mode.
//
// Folders end in "/". In portable mode ("/removable") the settings and recordings live in the
// program's folder, and greeting paths are stored relative to the mount point of the program's
// file system (its "drive"), so they follow a removable medium that is mounted elsewhere next time.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

// Portable mode, set by the application from its command line.
extern std::atomic<bool> g_RemovableMode;

// The mount point of the program's file system, without a trailing "/" ("" for the root file
// system, so that mount point + "/QAV/greeting.wav" is a whole path). Found from
// /proc/self/mountinfo at the first call, or set by the application at start-up.
std::u16string GetAppDrive();
void SetAppDrive(std::u16string_view mountPoint);

// Normal mode: the user's application-data folder + "QAV/" (created when missing), "" when there is
// none; portable mode: the program's folder.
std::u16string GetAppDataFolder();
// GetAppDataFolder() + "QAV.ini" ("" without a data folder: reads give defaults, writes fail).
std::u16string GetIniFilePath();
// GetAppDataFolder() + the current user's handle + "/", created when missing; "" when no current
// user is known, or when the handle cannot be a folder name (see IsSafeUserFolderName).
std::u16string GetUserDataFolder();
// GetUserDataFolder() + "QAV.ini"; "" when that is "".
std::u16string GetUserIniPath();
// Portable mode: the program's folder; else RcvdMsgsFolderPath (RecConvsFolderPath) when set; else
// the application data folder.
std::u16string GetMessagesRootFolder();
std::u16string GetConversationsRootFolder();
// "mp3" when AudioFileRecordingFormat is not 0, else "wav".
std::u16string GetRecordingFileExtension();

// Whether a call-client handle can name a folder inside the data folder without leaving it: not
// empty, not "." or "..", no "/", "\", zero or other control character, at most 255 bytes as UTF-8.
bool IsSafeUserFolderName(std::u16string_view handle);
