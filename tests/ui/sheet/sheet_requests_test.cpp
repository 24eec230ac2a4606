// The pages ask the program through the sheet's services, by name: the options page's requests,
// the file it opens, and the links of the pages and their dialogs, which open through the sheet's
// services while the sheet exists and say they cannot once it has gone.
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "skype/link/main_window_port.h"
#include "tests/ui/options/options_fixture.h"
#include "ui/controls/hyper_link.h"
#include "ui/options/options_prop_page.h"
#include "ui/samples/sample_sheet_services.h"
#include "ui/sheet/qt_property_sheet.h"

namespace qav::test {
namespace {

using SheetRequestsTest = OptionsTest;

TEST_F(SheetRequestsTest, TheOptionsPageAsksTheProgramByName) {
  CSampleSheetServices services{u"alice"};
  OptionsOnlySheet shown(services);
  COptionsSheetLink& page = *shown.options;
  page.RefreshTrayIcon();
  page.Relocalize();
  page.CheckForUpdatesNow();
  EXPECT_EQ(services.requests,
            (std::vector<std::u16string>{u"refresh the tray", u"re-localise", u"check for updates"}));
  EXPECT_TRUE(page.OpenFile(u"/tmp/a b.txt"));
  ASSERT_FALSE(services.openedUrls.empty());
  EXPECT_EQ(services.openedUrls.back(), u"file:///tmp/a%20b.txt");  // the file's address, percent-encoded
}

TEST_F(SheetRequestsTest, LinksOpenThroughTheSheetsServicesWhileItExists) {
  auto owned = std::make_unique<CSampleSheetServices>(u"alice");
  CSampleSheetServices& services = *owned;
  auto sheet = std::make_unique<CQtPropertySheet>(std::move(owned));
  CHyperLink link(QStringLiteral("http://127.0.0.1/vsa"));
  QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
  ASSERT_EQ(services.openedUrls.size(), 1u);
  EXPECT_EQ(services.openedUrls[0], u"http://127.0.0.1/vsa");
  EXPECT_TRUE(link.GetVisited());
  EXPECT_TRUE(boxes.texts.empty());

  sheet.reset();
  CHyperLink orphan(QStringLiteral("http://127.0.0.1/vsa"));
  QTest::mouseClick(&orphan, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_FALSE(orphan.GetVisited());
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0].rfind(u"Unable to open hyperlink:", 0), 0u);
}

}  // namespace
}  // namespace qav::test
