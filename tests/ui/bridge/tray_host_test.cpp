#include <gtest/gtest.h>

#include "ui/art/app_image_lists.h"
#include "ui/bridge/qt_tray_host.h"

namespace {

TEST(QtTrayHost, BalloonsLastTenToThirtySeconds) {
  struct Case {
    int32_t asked, shown;
  } cases[] = {{10, 10000}, {30000, 30000}, {-1, 30000}, {0, 30000}, {15000, 15000}, {600000, 30000}};
  for (const Case& c : cases) EXPECT_EQ(CQtTrayHost::BalloonDurationMs(c.asked), c.shown) << c.asked;
}

TEST(QtTrayHost, WithoutATrayNothingIsShownAndEveryCallSaysSo) {
  // The offscreen platform has no tray, as a desktop without a tray host has none.
  CAppImageLists lists;
  lists.CreateForDepth(32);
  CQtTrayHost host(lists.m_trayList);
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  EXPECT_FALSE(host.Add({}, 0, u"QAV"));
  EXPECT_FALSE(host.SetImage(1));
  EXPECT_FALSE(host.ShowBalloon(u"QAV", u"text", 10));
  host.Remove();
}

}  // namespace
