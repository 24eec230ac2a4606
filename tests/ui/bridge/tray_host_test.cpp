#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHash>
#include <QMenu>
#include <QTest>
#include <QTimer>

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

// The menu the host shows reads in the language's direction: its entries stand at the right
// of a right-to-left menu, at the left otherwise; the chosen entry's id comes back.
TEST(QtTrayHost, TheMenuItShowsIsMirroredForARightToLeftLanguage) {
  CAppImageLists lists;
  lists.CreateForDepth(32);
  CQtTrayHost host(lists.m_trayList);
  const std::vector<CTrayMenuItem> items = {{0x8008, u"Open Conversations Window", false}, {}, {0x800F, u"Quit", true}};
  for (bool rightToLeft : {true, false}) {
    SCOPED_TRACE(rightToLeft ? "right to left" : "left to right");
    bool seen = false;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    double inkCentre = -1;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      seen = true;
      direction = menu->layoutDirection();
      QAction* quit = menu->actions().last();
      const QRect row = menu->actionGeometry(quit);
      const QImage image = menu->grab(row).toImage();
      // The row's background: its most common colour.
      QHash<QRgb, int> counts;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
      }
      QRgb commonest = 0;
      for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > counts.value(commonest)) commonest = it.key();
      }
      const QColor background = QColor::fromRgba(commonest);
      long long sum = 0, count = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
          if (image.pixelColor(x, y) == background) continue;
          sum += x;
          ++count;
        }
      }
      inkCentre = count > 0 ? static_cast<double>(sum) / static_cast<double>(count) / image.width() : -1;
      menu->setActiveAction(quit);
      QTest::keyClick(menu, Qt::Key_Return);
    });
    EXPECT_EQ(host.TrackMenu(items, {200, 200}, rightToLeft), 0x800Fu);
    ASSERT_TRUE(seen) << "no menu was shown";
    EXPECT_EQ(direction, rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    ASSERT_GE(inkCentre, 0) << "the entry shows no text";
    if (rightToLeft) {
      EXPECT_GT(inkCentre, 0.5) << "the entry stands at the right";
    } else {
      EXPECT_LT(inkCentre, 0.5) << "the entry stands at the left";
    }
  }
}

}  // namespace
