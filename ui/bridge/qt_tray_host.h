// CQtTrayHost: the tray icon on a real desktop, through QSystemTrayIcon (app/tray_host.h).
//
// Clicks and balloon clicks go to the tray logic's sink, which queues them onto the platform loop,
// so the tray logic's click timing runs there. A double click arrives from Qt as a second
// press: it is posted as a second left-button release, which the tray logic reads as the double
// click. Qt reports no hover, so the tray logic refreshes the tooltip on its 750 ms tick. Balloons
// last 10 to 30 s whatever the caller asks (some ask 10 ms, others no end at all), and their end
// is posted as the balloon's time-out, which clears the balloon's link. GUI thread only.
#pragma once

#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

#include "app/tray_host.h"
#include "ui/controls/image_list.h"

class CQtTrayHost : public CTrayHost {
 public:
  static constexpr int32_t kShortestBalloonMs = 10000;
  static constexpr int32_t kLongestBalloonMs = 30000;

  // The icon's pictures are the tray image list's.
  explicit CQtTrayHost(const CImageList& trayImages);
  ~CQtTrayHost() override;

  bool Add(EventSink onEvent, int image, std::u16string_view tooltip) override;
  bool SetImage(int image) override;
  bool SetTooltip(std::u16string_view tooltip) override;
  bool ShowBalloon(std::u16string_view title, std::u16string_view text, int32_t durationMs) override;
  void Remove() override;
  CTrayPoint CursorPos() override;
  uint32_t TrackMenu(const std::vector<CTrayMenuItem>& items, CTrayPoint at, bool rightToLeft) override;

  // A balloon's duration as shown: held to 10..30 s; no end (-1 or 0) is the longest.
  static int32_t BalloonDurationMs(int32_t askedMs);
  QSystemTrayIcon* Icon() const { return m_icon.get(); }

 private:
  void Post(CTrayEvent event);

  CImageList m_images;
  std::unique_ptr<QSystemTrayIcon> m_icon;
  QTimer m_balloonEnd;
  EventSink m_onEvent;
};
