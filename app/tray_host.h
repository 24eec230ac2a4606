// The notification-area icon as the tray logic (app/tray_icon.h) drives it; the user interface
// gives the real one (a system tray icon), tests a fake.
//
// The host reports the icon's mouse and balloon events, typed, to the sink given to Add, on the GUI
// thread as the toolkit reports them. The tray logic's sink queues each onto the main window's
// loop, so it is handled in the window's procedure, on its loop and clock, whatever toolkit shows
// the icon. Every call is made on the GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/parts/tray.h"

struct CTrayPoint {
  int x = 0;
  int y = 0;
};

// One entry of the tray menu: a command (id != 0) or a separator (id 0).
struct CTrayMenuItem {
  uint32_t id = 0;
  std::u16string text;
  bool isDefault = false;
};

class CTrayHost {
 public:
  using EventSink = std::function<void(CTrayEvent event)>;

  virtual ~CTrayHost() = default;
  // Shows the icon with picture `image` of the tray image list and the tooltip; its events go to
  // `onEvent`. False when there is no tray to show it in.
  virtual bool Add(EventSink onEvent, int image, std::u16string_view tooltip) = 0;
  // False when the icon is not shown (never added, or lost with the tray).
  virtual bool SetImage(int image) = 0;
  virtual bool SetTooltip(std::u16string_view tooltip) = 0;
  // A balloon for about `durationMs` (the host holds it to what it can show); false when the
  // icon is not shown.
  virtual bool ShowBalloon(std::u16string_view title, std::u16string_view text, int32_t durationMs) = 0;
  virtual void Remove() = 0;
  // Where the pointer is now, in screen coordinates.
  virtual CTrayPoint CursorPos() = 0;
  // Shows the menu at the point and returns the chosen command id, 0 when none was chosen.
  virtual uint32_t TrackMenu(const std::vector<CTrayMenuItem>& items, CTrayPoint at, bool rightToLeft) = 0;
};
