#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "ui/art/app_image_lists.h"
#include "ui/controls/color_utils.h"

namespace {

TEST(ImageLists, EveryListHoldsItsPicturesAtItsSizeOnEveryScreenDepth) {
  for (int depth : {32, 24, 16}) {
    CAppImageLists lists;
    EXPECT_EQ(lists.CreateForDepth(depth), depth);
    struct Case {
      const CImageList& list;
      int size;
      int count;
    } cases[] = {{lists.m_trayList, 16, 5},          {lists.m_statusList, 16, 12},   {lists.m_conversationList, 16, 3},
                 {lists.m_optionsList, 32, 9},       {lists.m_smallButtonList, 13, 7}, {lists.m_menuList, 16, 14},
                 {lists.m_toolbarList, 26, 14}};
    for (const Case& c : cases) {
      EXPECT_EQ(c.list.GetImageCount(), c.count) << depth << " " << c.size;
      EXPECT_EQ(c.list.Width(), c.size);
      EXPECT_EQ(c.list.GetImage(c.count - 1).size(), QSize(c.size, c.size));
    }
    // The marks follow the ten online-status pictures.
    EXPECT_EQ(lists.MarkBase(), 10);
    // Both forms are transparent around the pictures (the PNG by alpha, the bitmap by magenta).
    const QImage corner = lists.m_toolbarList.GetImage(0).toImage();
    EXPECT_EQ(qAlpha(corner.pixel(0, 0)), 0) << depth;
    // And told apart by their edges: only the 32-bit form has the soft edges of its alpha; the
    // magenta key makes a pixel wholly seen or wholly not.
    int softEdges = 0;
    for (int i = 0; i < lists.m_toolbarList.GetImageCount(); ++i) {
      const QImage picture = lists.m_toolbarList.GetImage(i).toImage();
      for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
          const int alpha = qAlpha(picture.pixel(x, y));
          softEdges += alpha > 0 && alpha < 255;
        }
      }
    }
    if (depth == 32) {
      EXPECT_GT(softEdges, 0);
    } else {
      EXPECT_EQ(softEdges, 0) << depth;
    }
    lists.Release();
    EXPECT_TRUE(lists.m_trayList.IsEmpty());
  }
}

TEST(ImageLists, AMissingPictureThrowsItsId) {
  EXPECT_THROW(
      try { LoadImageFromResource(999); } catch (int id) {
        EXPECT_EQ(id, 999);
        throw;
      },
      int);
  EXPECT_FALSE(LoadImageFromResource(251).hasAlphaChannel());  // the bitmap form
  EXPECT_TRUE(LoadImageFromResource(250).hasAlphaChannel());
}

TEST(ImageLists, AStripNarrowerThanOnePictureAddsNothing) {
  CImageList list(16, 16);
  EXPECT_EQ(list.AddStrip(QImage(8, 16, QImage::Format_ARGB32)), -1);
  EXPECT_EQ(list.AddStrip(QImage()), -1);
  QImage two(32, 16, QImage::Format_RGB32);
  two.fill(qRgb(255, 0, 255));
  two.setPixel(20, 5, qRgb(1, 2, 3));
  EXPECT_EQ(list.AddStrip(two), 0);
  EXPECT_EQ(list.AddStrip(two), 2);
  const QImage second = list.GetImage(1).toImage();
  EXPECT_EQ(qAlpha(second.pixel(0, 0)), 0);  // magenta became transparent
  EXPECT_EQ(second.pixel(4, 5), qRgb(1, 2, 3));
  EXPECT_TRUE(list.GetImage(4).isNull());
}

TEST(ImageLists, AnIconIsBuiltOnceAndSharedWhileACopyChangedStaysTheCallers) {
  CImageList list(16, 16);
  QImage strip(16, 16, QImage::Format_ARGB32);
  strip.fill(qRgb(10, 200, 10));
  ASSERT_EQ(list.AddStrip(strip), 0);
  const QIcon first = list.GetIcon(0);
  EXPECT_EQ(list.GetIcon(0).cacheKey(), first.cacheKey());
  // The disabled form is the picture blended 25 % with the pale blue 0xC08181 (as 0x00BBGGRR):
  // three parts the picture's (10, 200, 10) to one part (0x81, 0x81, 0xC0).
  const QRgb disabled = first.pixmap(16, QIcon::Disabled).toImage().pixel(3, 3);
  EXPECT_NEAR(qRed(disabled), (3 * 10 + 0x81) / 4, 1);
  EXPECT_NEAR(qGreen(disabled), (3 * 200 + 0x81) / 4, 1);
  EXPECT_NEAR(qBlue(disabled), (3 * 10 + 0xC0) / 4, 1);
  EXPECT_EQ(qAlpha(disabled), 255);

  QIcon changed = list.GetIcon(0);
  changed.addPixmap(QPixmap(32, 32));
  EXPECT_NE(changed.cacheKey(), first.cacheKey());
  EXPECT_EQ(list.GetIcon(0).cacheKey(), first.cacheKey());
  EXPECT_EQ(list.GetIcon(0).availableSizes(), first.availableSizes());

  // Pictures added after icons were taken get theirs; indexes past the end give none.
  ASSERT_EQ(list.AddStrip(strip), 1);
  EXPECT_FALSE(list.GetIcon(1).isNull());
  EXPECT_TRUE(list.GetIcon(2).isNull());
  EXPECT_TRUE(list.GetIcon(-1).isNull());
}

TEST(ColorUtils, LightnessMovesTowardWhiteOrScalesDown) {
  struct Case {
    COLORREF colour;
    int lightness;
    int saturation;
    COLORREF expected;
  } cases[] = {
      {RGB(128, 128, 128), 0, 0, RGB(128, 128, 128)},
      {RGB(128, 128, 128), 100, 0, RGB(255, 255, 255)},
      {RGB(128, 128, 128), -100, 0, RGB(0, 0, 0)},
      {RGB(128, 128, 128), -50, 0, RGB(64, 64, 64)},
      {RGB(0, 0, 0), 50, 0, RGB(128, 128, 128)},   // 0 + 255 * 50 / 100 = 127, then rounding of the model
      {RGB(255, 0, 0), 0, -100, RGB(128, 128, 128)},  // no saturation left: grey of its lightness
  };
  for (const Case& c : cases) {
    const COLORREF got = AdjustColorLightness(c.colour, c.lightness, c.saturation);
    EXPECT_NEAR(GetRValue(got), GetRValue(c.expected), 1) << c.lightness << " " << c.saturation;
    EXPECT_NEAR(GetGValue(got), GetGValue(c.expected), 1);
    EXPECT_NEAR(GetBValue(got), GetBValue(c.expected), 1);
  }
  // The model round-trips colours within the rounding of its 0..255 scales.
  for (COLORREF c : {RGB(212, 208, 200), RGB(10, 200, 30), RGB(0, 120, 215)}) {
    const COLORREF back = HSLtoRGB(RGBtoHSL(c));
    EXPECT_NEAR(GetRValue(back), GetRValue(c), 3);
    EXPECT_NEAR(GetGValue(back), GetGValue(c), 3);
    EXPECT_NEAR(GetBValue(back), GetBValue(c), 3);
  }
  EXPECT_EQ(GetCachedColorDepth(), 32);
}

}  // namespace
