// The About page on Qt's offscreen platform: its texts, its links as the user sees them before and
// after a visit, and what a click asks the program's services to open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

#include "foundation/language_tables.h"
#include "ui/about/dlg_about.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/hyper_link.h"
#include "ui/controls/qt_color.h"
#include "ui/samples/sample_sheet_services.h"

namespace {

// The program's services as the page sees them: records what it was asked to open, and how.
class OpeningServices : public CSampleSheetServices {
 public:
  OpeningServices() : CSampleSheetServices(u"") {}
  std::vector<std::u16string> maximised, normal;

  void OpenUrl(const std::u16string& url) override { maximised.push_back(url); }
  bool OpenAddress(const std::u16string& address) override {
    normal.push_back(address);
    return true;
  }
};

// The colour of the strongest ink in the widget as the page draws it: the pixel farthest from
// the page's background.
QColor InkOf(QWidget& page, const QWidget& control) {
  const QImage image = page.grab(control.geometry()).toImage();
  const QColor background = page.palette().color(QPalette::Window);
  QColor ink = background;
  int farthest = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      const int distance = std::abs(c.red() - background.red()) + std::abs(c.green() - background.green()) +
                           std::abs(c.blue() - background.blue());
      if (distance > farthest) {
        farthest = distance;
        ink = c;
      }
    }
  }
  return ink;
}

bool Near(const QColor& a, const QColor& b) {
  return std::abs(a.red() - b.red()) <= 40 && std::abs(a.green() - b.green()) <= 40 && std::abs(a.blue() - b.blue()) <= 40;
}

std::string Name(const QColor& c) { return c.name().toStdString(); }

struct AboutPageTest : testing::Test {
  void SetUp() override {
    LoadDefaultLangLib();
    defaultFont = QApplication::font();
  }
  void TearDown() override { QApplication::setFont(defaultFont); }
  QFont defaultFont;
  OpeningServices services;
};

TEST_F(AboutPageTest, ShowsTheVersionTheComponentsWithTheirMakersAndReadsAtAnyFont) {
  QFont larger = defaultFont;
  larger.setPointSizeF(defaultFont.pointSizeF() * 1.8);
  for (const QFont& font : {defaultFont, larger}) {
    QApplication::setFont(font);
    CDlgAbout page(services);
    page.show();
    const std::string at = " at " + std::to_string(font.pointSizeF()) + "pt";
    EXPECT_EQ(page.GetTabTitle(), u"About");
    // The version the build was made as, in points; the copyright and the maker as the program writes them.
    EXPECT_EQ(page.FileVersion()->text(), QStringLiteral(QAV_VERSION_STRING));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$")).match(page.FileVersion()->text()).hasMatch())
        << page.FileVersion()->text().toStdString();
    EXPECT_EQ(page.Copyright()->text(), QStringLiteral("Copyright \u00a9 Zarvelin"));
    EXPECT_EQ(page.Company()->text(), QStringLiteral("Zarvelin"));
    EXPECT_TRUE(page.Description()->text().contains(QStringLiteral("QAV")));
    EXPECT_EQ(page.ComponentsLabel()->text(), QStringLiteral("Components:"));
    EXPECT_TRUE(page.Credit()->text().isEmpty()) << "English has no translator's credit";
    EXPECT_TRUE(page.WebcamLink()->text().startsWith(QStringLiteral("Vidralux by Quenmark")))
        << page.WebcamLink()->text().toStdString();
    // Every text whole and inside the page, in the page's text colour.
    for (QLabel* text : std::initializer_list<QLabel*>{page.Description(), page.FileVersion(), page.Copyright(),
                                                       page.Company(), page.ComponentsLabel(), page.CallClientLink(),
                                                       page.EncoderLink(), page.WebcamLink()}) {
      const QString what = text->text();
      EXPECT_GE(text->width(), text->sizeHint().width()) << what.toStdString() << at;
      EXPECT_GE(text->height(), text->sizeHint().height()) << what.toStdString() << at;
      EXPECT_TRUE(page.rect().contains(text->geometry())) << what.toStdString() << at;
    }
    EXPECT_EQ(page.Copyright()->CurrentTextColor(), page.TextColour());
    EXPECT_FALSE(page.Copyright()->IsBlinking());
  }
}

TEST(AboutPageVersion, CommasBecomePointsAndSpacesGo) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"3, 0, 0, 1", u"3.0.0.1"},
      {u"5,0,0,12", u"5.0.0.12"},
      {u" 4 , 1 ,2, 0 ", u"4.1.2.0"},
      {u"5.0.0.1", u"5.0.0.1"},
      {u"", u""},
  };
  for (const auto& [written, shown] : cases) EXPECT_EQ(CDlgAbout::DottedVersion(written), shown);
}

TEST_F(AboutPageTest, ALinkIsBlueUntilOpenedThenInTheTextColour) {
  CDlgAbout page(services);
  page.resize(page.sizeHint().expandedTo(QSize(480, 320)));
  page.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
  CHyperLink* link = page.EncoderLink();
  const QColor blue(0, 0, 0xEE);
  EXPECT_TRUE(Near(InkOf(page, *link), blue)) << Name(InkOf(page, *link));

  QTest::mouseClick(link, Qt::LeftButton);
  EXPECT_EQ(services.normal, std::vector<std::u16string>{CDlgAbout::kEncoderAddress});
  EXPECT_TRUE(services.maximised.empty()) << "a link opens at the browser's normal size";
  // The mouse leaves the link: it shows its visited colour, the page's text colour.
  QTest::mouseMove(&page, QPoint(page.width() - 2, page.height() - 2));
  QApplication::processEvents();
  const QColor text = ToQColor(page.TextColour());
  ASSERT_FALSE(Near(text, blue)) << "the test needs a text colour unlike the link colour";
  EXPECT_TRUE(Near(InkOf(page, *link), text)) << Name(InkOf(page, *link)) << " against " << Name(text);
  // The links not opened stay blue.
  EXPECT_TRUE(Near(InkOf(page, *page.WebcamLink()), blue)) << Name(InkOf(page, *page.WebcamLink()));
}

TEST_F(AboutPageTest, EachLinkAndTheIconOpenTheirAddressesThroughTheServices) {
  CDlgAbout page(services);
  page.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
  const std::pair<CHyperLink*, std::u16string> links[] = {{page.Description(), page.ProductAddress()},
                                                           {page.CallClientLink(), CDlgAbout::kCallClientAddress},
                                                           {page.EncoderLink(), CDlgAbout::kEncoderAddress},
                                                           {page.WebcamLink(), CDlgAbout::kWebcamAddress}};
  std::vector<std::u16string> expected;
  for (const auto& [link, address] : links) {
    QTest::mouseClick(link, Qt::LeftButton);
    expected.push_back(address);
    EXPECT_TRUE(link->GetVisited()) << link->text().toStdString();
  }
  EXPECT_EQ(services.normal, expected);
  EXPECT_NE(page.ProductAddress().find(u"qav/?lang=EN"), std::u16string::npos);

  // The product icon opens the product's page maximised.
  QTest::mouseClick(page.Icon(), Qt::LeftButton);
  EXPECT_EQ(services.maximised, std::vector<std::u16string>{page.ProductAddress()});
}

}  // namespace
