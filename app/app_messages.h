// The hidden main window's private messages, its timers and the page flags they carry.
//
// Other subsystems and threads post these to the main window (CZVAppWnd), which forwards them to
// the property sheet, the tray icon or a worker thread. Senders post unless a line says otherwise.
#pragma once

#include <cstdint>
#include <string>

#include "platform/message.h"
// UM_SELECTOPTIONPAGE, UM_UPDATEDLG, UM_BALLOONTIP, UM_BALLOONTIPIFALLOWED, UM_EMAILVOICEMSG and
// the page flags, which the folders below app/ post too.
#include "skype/link/main_window_port.h"

inline constexpr uint32_t UM_LOCALIZE = 0x4C9;              // re-localise the sheet
inline constexpr uint32_t WM_APP_SYS_TRAY_LBUTTONUP_TIMER = 0x4CC;  // lParam of the tray callback from timer 2
inline constexpr uint32_t UM_REPORTPROBLEM = 0x4CE;
inline constexpr uint32_t UM_CHECKFORUPDATE = 0x4CF;        // wParam: 1 by hand, 0 by timer (sent)
inline constexpr uint32_t UM_SERVERUPDATEDONE = 0x4D0;      // wParam: by hand, lParam: 1 or 0 (sent)
inline constexpr uint32_t UM_ENABLEAPPLY = 0x4D4;
inline constexpr uint32_t UM_PLAYNEWMSGS = 0x4E9;

// The sheet's current page (the tray's double click).
inline constexpr uint32_t kPageCurrent = 0x100000;

// The application's own messages to its main window, from the dispatcher's host on another thread:
// what must run on the GUI thread is queued there in order.
inline constexpr uint32_t UM_APP_MESSAGEBOX = 0x8001;  // payload: CQueuedMessageBox
inline constexpr uint32_t UM_APP_REFRESHUI = 0x8002;
inline constexpr uint32_t UM_APP_OPENURL = 0x8003;     // payload: the address (std::u16string)
// From the sheet's services (app/app_sheet_services.h): the tray icon shows the answering state anew.
inline constexpr uint32_t UM_APP_REFRESHTRAY = 0x8004;
// From a settings load on another thread (the sign-in reload on the dispatcher's): the language
// file the settings name, switched to on the GUI thread, which alone writes the current language.
inline constexpr uint32_t UM_APP_APPLYLANGUAGE = 0x8005;  // payload: the language file's path (std::u16string)

struct CQueuedMessageBox {
  std::u16string text;
  uint32_t type = 0;
};

// The main window's timers.
inline constexpr uint64_t kTimerTrayIcon = 1;     // 750 ms, from creation
inline constexpr uint64_t kTimerTrayClick = 2;    // 600 ms, from the first click on the icon
inline constexpr uint64_t kTimerCallStatus = 3;   // 15,000 ms, from creation
inline constexpr uint64_t kTimerUpdateCheck = 4;  // the update-check period / 5, from its first tick
inline constexpr uint32_t kTrayIconPeriodMs = 750;
inline constexpr uint32_t kTrayClickPeriodMs = 600;
inline constexpr uint32_t kCallStatusPeriodMs = 15000;

// The class and title other copies of the program find the main window by.
inline constexpr char kMainWindowClass[] = "ZarvelinMainWnd";
inline constexpr char16_t kMainWindowTitle[] = u"QAV";
