// How the Skype link, the calls and the dispatcher reach the program's hidden main window.
//
// The main window (app/) is the hub that refreshes the pages, shows tray balloons and redraws the
// tray icon. The folders below app/ must not include it, so they post its private messages
// through this one seam, which app/ installs at start-up and tests replace with a recording
// double. Posting never waits; without an installed port a post is dropped and reports false.
#pragma once

#include <cstdint>

// The main window's private messages that the folders below app/ post.
inline constexpr uint32_t UM_SELECTOPTIONPAGE = 0x4CB;     // wParam: page flag to show
inline constexpr uint32_t UM_UPDATEDLG = 0x4CD;            // wParam: page flags to rebuild
inline constexpr uint32_t UM_BALLOONTIP = 0x4D2;           // wParam: language string id, lParam: duration
inline constexpr uint32_t UM_BALLOONTIPIFALLOWED = 0x4D3;  // the same, only when balloons are on
inline constexpr uint32_t UM_EMAILVOICEMSG = 0x4E6;        // wParam: the identity of the voice message to mail
// WM_TIMER, posted with a timer id to make the main window do that timer's work now.
inline constexpr uint32_t kMainWindowTimerMessage = 0x0113;
inline constexpr uint32_t kMainWindowTimerTrayIcon = 1;    // redraw the tray icon
inline constexpr uint32_t kMainWindowTimerUpdateCheck = 4;  // the update check

// Page flags of UM_UPDATEDLG and UM_SELECTOPTIONPAGE, combined in one word.
inline constexpr uint32_t kPageVoiceMessages = 0x10000;
inline constexpr uint32_t kPageConversations = 0x20000;
inline constexpr uint32_t kPageContacts = 0x30000;  // a contact shows in both lists
inline constexpr uint32_t kPageOptions = 0x40000;
inline constexpr uint32_t kPageAbout = 0x80000;
inline constexpr uint32_t kPageAll = 0xF0000;

class CMainWindowPort {
 public:
  virtual ~CMainWindowPort() = default;
  // Queues the message for the main window (any thread); false when it cannot be delivered.
  virtual bool Post(uint32_t message, uint64_t wParam, int64_t lParam) = 0;
};

// The installed port (app/ at start-up, tests with a double); null to remove it. The caller keeps
// ownership.
void SetMainWindowPort(CMainWindowPort* port);
// Posts through the installed port; false without one.
bool PostToMainWindow(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0);
