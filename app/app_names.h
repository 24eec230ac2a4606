// The names the program shows and is known by.
#pragma once

// The product title: fills most user messages and titles every tray balloon.
inline constexpr char16_t kProductTitle[] = u"QAV - Answering Machine for Skype\u2122 users";
// The caption of every message box, and the title of problem reports.
inline constexpr char16_t kMessageBoxCaption[] = u"Zarvelin QAV";
// The program's short name (logs, the single-instance lock, file names).
inline constexpr char16_t kAppName[] = u"QAV";
inline constexpr char kInstanceLockName[] = "QAV";
// The program file's name, in its folder (and in the folder of a copy being updated).
inline constexpr char16_t kProgramFileName[] = u"qav";
// The window class of the call client's main window.
inline constexpr char kSkypeMainWindowClass[] = "tSkMainForm.UnicodeClass";
