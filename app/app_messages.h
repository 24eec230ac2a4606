// The hidden main window's private messages, its timers and the page flags they carry.
//
// Other subsystems and threads post these to the main window (CZVAppWnd), which forwards them to
// the property sheet, the tray icon or a worker thread. Senders post unless a line says otherwise.
#pragma once

#include <cstdint>

#include "platform/message.h"

inline constexpr uint32_t UM_LOCALIZE = 0x4C9;              // re-localise the sheet
inline constexpr uint32_t UM_SELECTOPTIONPAGE = 0x4CB;      // wParam: page flag to show (0: current page)
inline constexpr uint32_t WM_APP_SYS_TRAY_LBUTTONUP_TIMER = 0x4CC;  // lParam of the tray callback from timer 2
inline constexpr uint32_t UM_UPDATEDLG = 0x4CD;             // wParam: page flags to rebuild
inline constexpr uint32_t UM_REPORTPROBLEM = 0x4CE;
inline constexpr uint32_t UM_CHECKFORUPDATE = 0x4CF;        // wParam: 1 by hand, 0 by timer (sent)
inline constexpr uint32_t UM_SERVERUPDATEDONE = 0x4D0;      // wParam: by hand, lParam: 1 or 0 (sent)
inline constexpr uint32_t UM_BALLOONTIP = 0x4D2;            // wParam: string id, lParam: duration in ms
inline constexpr uint32_t UM_BALLOONTIPIFALLOWED = 0x4D3;   // the same, when balloons are on
inline constexpr uint32_t UM_ENABLEAPPLY = 0x4D4;
inline constexpr uint32_t UM_EMAILVOICEMSG = 0x4E6;         // wParam and payload: the voice message
inline constexpr uint32_t UM_PLAYNEWMSGS = 0x4E9;

// Page flags of UM_UPDATEDLG and UM_SELECTOPTIONPAGE, combined in one word.
inline constexpr uint32_t kPageVoiceMessages = 0x10000;
inline constexpr uint32_t kPageConversations = 0x20000;
inline constexpr uint32_t kPageContacts = 0x30000;  // a contact shows in both lists
inline constexpr uint32_t kPageOptions = 0x40000;
inline constexpr uint32_t kPageAbout = 0x80000;
inline constexpr uint32_t kPageAll = 0xF0000;
inline constexpr uint32_t kPageCurrent = 0x100000;  // the sheet's current page (tray double click)

// The main window's timers.
inline constexpr uint64_t kTimerTrayIcon = 1;     // 750 ms, from creation
inline constexpr uint64_t kTimerTrayClick = 2;    // 600 ms, from the first click on the icon
inline constexpr uint64_t kTimerCallStatus = 3;   // 15,000 ms, from creation
inline constexpr uint64_t kTimerUpdateCheck = 4;  // the update-check period / 5, from its first tick
inline constexpr uint32_t kTrayIconPeriodMs = 750;
inline constexpr uint32_t kTrayClickPeriodMs = 600;
inline constexpr uint32_t kCallStatusPeriodMs = 15000;

// SW_SHOW for the sheet.
inline constexpr int SW_SHOW = 5;

// The class and title other copies of the program find the main window by.
inline constexpr char kMainWindowClass[] = "ZarvelinMainWnd";
inline constexpr char16_t kMainWindowTitle[] = u"QAV";
