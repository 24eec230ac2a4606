// The pages ask the program through the sheet's services, by name: the options page's requests,
// the file it opens, and the links of the pages and their dialogs, which open through the sheet's
// services while the sheet exists and say they cannot once it has gone.
#include <QAbstractButton>
#include <QCheckBox>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "foundation/settings.h"
#include "skype/link/main_window_port.h"
#include "tests/ui/options/options_fixture.h"
#include "ui/controls/hyper_link.h"
#include "ui/options/options_prop_page.h"
#include "ui/samples/sample_sheet_services.h"
#include "ui/sheet/qt_property_sheet.h"

namespace qav::test {
namespace {

using SheetRequestsTest = OptionsTest;

// The option children in the sheet ask the sheet's services themselves: the user's clicks on the
// answering switch, the screen-reader mode, Check Now and the language file's edit button.
TEST_F(SheetRequestsTest, TheOptionsPageAsksTheProgramByName) {
  struct LanguageServices : CSampleSheetServices {
    LanguageServices() : CSampleSheetServices(u"alice") {}
    std::u16string LanguageFilePath() override { return u"/tmp/a b.lang"; }
  } services;
  g_AdvancedSettingMode = 1;  // the screen-reader switch is offered in advanced mode
  OptionsOnlySheet shown(services);
  const auto click = [&shown](const char* name) {
    auto* button = shown.options->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
  };
  click("answerAllowed");
  click("screenReaderMode");
  click("checkForUpdatesNow");
  EXPECT_EQ(services.requests,
            (std::vector<std::u16string>{u"refresh the tray", u"re-localise", u"check for updates"}));
  click("editLanguageFile");
  ASSERT_FALSE(services.openedUrls.empty());
  EXPECT_EQ(services.openedUrls.back(), u"file:///tmp/a%20b.lang");  // the file's address, percent-encoded
}

// The default caller's child, made with the options page in the sheet, has the program build its
// missing video driver, and offers the video greeting once there is one.
TEST_F(SheetRequestsTest, TheOptionsPageHasTheProgramBuildItsVideoDriverWhenItIsMade) {
  struct VideoServices : CSampleSheetServices {
    VideoServices() : CSampleSheetServices(u"alice") {}
    bool HasVideoDriver() override { return driver; }
    bool CreateVideoDriver() override {
      ++tries;
      driver = true;
      return driver;
    }
    bool driver = false;
    int tries = 0;
  } services;
  OptionsOnlySheet shown(services);
  EXPECT_EQ(services.tries, 1);
  auto* videoAllowed = shown.options->findChild<QCheckBox*>(QStringLiteral("videoAllowed"));
  ASSERT_NE(videoAllowed, nullptr);
  EXPECT_FALSE(videoAllowed->isHidden()) << "the video greeting is offered";
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
