// CTrayIcon: the program's notification-area icon, its tooltip, balloons and menu.
//
// The icon's picture tells the link and answering state and blinks while a call is handled or new
// messages wait; the tooltip says who is signed in and whether answering is on; one left click
// opens the menu 600 ms later, a second click within them opens the main window at the page that
// fits the moment; balloons carry notices and links. The host (app/tray_host.h) shows the icon
// and posts its events to the main window as the tray's callback message, so all of this runs in
// the main window's procedure, on the GUI thread's loop and clock. Timer 2 (the click timer) is the
// main window's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/parts/link.h"
#include "app/parts/tray.h"
#include "app/tray_host.h"

class CZVAppWnd;

class CTrayIcon : public CAppTray {
 public:
  // Menu commands.
  static constexpr uint32_t ID_SYSTRAY_MENU_TRY_RECONNECT_TO_SKYPEAPI = 0x8001;
  static constexpr uint32_t ID_SYSTRAY_MENU_FORCE_ANSWER = 0x8002;
  static constexpr uint32_t ID_SYSTRAY_MENU_TAKE_CONTROL = 0x8003;
  static constexpr uint32_t ID_SYSTRAY_MENU_RECORD_CONVERSATION_START = 0x8004;
  static constexpr uint32_t ID_SYSTRAY_MENU_RECORD_CONVERSATION_STOP = 0x8005;
  static constexpr uint32_t ID_SYSTRAY_MENU_PLAY_NEW_MESSAGES = 0x8006;
  static constexpr uint32_t ID_SYSTRAY_MENU_GOTO_MESSAGES = 0x8007;
  static constexpr uint32_t ID_SYSTRAY_MENU_GOTO_CONVERSATIONS = 0x8008;
  static constexpr uint32_t ID_SYSTRAY_MENU_ANSWERING_MODE = 0x8009;
  static constexpr uint32_t ID_SYSTRAY_MENU_CONV_REC_MODE = 0x800A;
  static constexpr uint32_t ID_SYSTRAY_MENU_GOTO_OPTIONS = 0x800B;
  static constexpr uint32_t ID_SYSTRAY_MENU_REPORT_PROB = 0x800C;
  static constexpr uint32_t ID_SYSTRAY_MENU_GOTO_ABOUT = 0x800D;
  static constexpr uint32_t ID_SYSTRAY_MENU_GOTO_HELP = 0x800E;
  static constexpr uint32_t ID_SYSTRAY_MENU_QUIT = 0x800F;
  static constexpr uint32_t kClickTimerMs = 600;
  static constexpr int32_t kTransportConnected = 7;
  static constexpr int32_t kTransportPendingAuthorization = 5;

  CTrayIcon(CZVAppWnd& mainWindow, std::unique_ptr<CTrayHost> host);

  void Add(qav::Hwnd mainWindow, uint32_t callbackMessage) override;
  void Remove() override;
  void UpdateTrayIcon() override;
  void OnNotify(CTrayEvent event) override;
  bool ShowBalloon(std::u16string_view text, int32_t durationMs, std::u16string_view link) override;

  // The menu for the moment (what ShowSysTrayMenu shows).
  std::vector<CTrayMenuItem> BuildMenu();
  // Runs a menu command.
  void OnMenuCommand(uint32_t id);
  // The picture the icon shows now, and the tooltip for the moment.
  int CurrentImage() const { return m_image; }
  std::u16string TooltipText();
  const std::u16string& BalloonLink() const { return m_balloonLink; }

 private:
  // The host's events, queued onto the main window as the tray's callback message.
  CTrayHost::EventSink TrayEventSink();
  void ShowSysTrayMenu(CTrayPoint at);
  int ChooseImage();
  bool CallHandled(bool* conversation);

  CZVAppWnd& m_wnd;
  std::unique_ptr<CTrayHost> m_host;
  qav::Hwnd m_window = 0;
  uint32_t m_callbackMessage = 0;
  bool m_added = false;
  bool m_blinkPhase = false;
  bool m_clickTimer = false;
  int m_image = 0;
  CTrayPoint m_clickPoint;
  std::u16string m_balloonLink;
};
