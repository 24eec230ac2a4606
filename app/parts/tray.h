// The tray part: the notification-area icon with its menu, tooltip and balloons. The main window
// owns the icon's timers and passes on what happens to the icon; without a user interface CNullTray
// stands in. GUI thread only.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/message.h"

// What happened to the icon: the mouse and balloon notices the icon's callback message carries,
// and the main window's single-click timer (the click was not the first of a double click).
enum class CTrayEvent : uint32_t {
  kMouseMove = 0x200,
  kLeftButtonDown = 0x201,
  kLeftButtonUp = 0x202,
  kLeftDoubleClick = 0x203,
  kRightButtonDown = 0x204,
  kRightButtonUp = 0x205,
  kBalloonShown = 0x402,
  kBalloonHidden = 0x403,
  kBalloonTimedOut = 0x404,
  kBalloonClicked = 0x405,
  kClickTimer = 0x4CC,  // WM_APP_SYS_TRAY_LBUTTONUP_TIMER
};

class CAppTray {
 public:
  virtual ~CAppTray() = default;
  // Adds the icon (the tray image list's first image, tooltip "QAV"); the icon's notices reach
  // `mainWindow` as `callbackMessage`, whose procedure hands them to OnNotify.
  virtual void Add(qav::Hwnd mainWindow, uint32_t callbackMessage) = 0;
  virtual void Remove() = 0;
  // Timer 1: the icon's picture for the moment.
  virtual void UpdateTrayIcon() = 0;
  virtual void OnNotify(CTrayEvent event) = 0;
  // A balloon titled with the product title; `link` ("" for none) is opened when it is clicked.
  virtual bool ShowBalloon(std::u16string_view text, int32_t durationMs, std::u16string_view link) = 0;
};

// No icon: a balloon's text is logged instead.
class CNullTray : public CAppTray {
 public:
  void Add(qav::Hwnd, uint32_t) override {}
  void Remove() override {}
  void UpdateTrayIcon() override {}
  void OnNotify(CTrayEvent) override {}
  bool ShowBalloon(std::u16string_view text, int32_t durationMs, std::u16string_view link) override;
};
