// The sheet makes room for its options page: a language whose words are longer than English ones
// widens the options list, and the sheet grows with the page, whether the language is there when
// the sheet is built or comes later, but never beyond the screen.
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <filesystem>
#include <fstream>

#include "foundation/language_list.h"
#include "skype/link/main_window_port.h"
#include "tests/ui/options/options_fixture.h"
#include "tests/ui/text_fit.h"
#include "ui/options/dlg_options.h"
#include "ui/sheet/dlg_prop_sheet.h"
#include "ui/controls/list_box_st.h"
#include "ui/options/option_child.h"
#include "ui/options/options_prop_page.h"
#include "ui/samples/sample_sheet_services.h"

namespace qav::test {
namespace {

namespace fs = std::filesystem;

class SheetRoomTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    g_AdvancedSettingMode = 1;
    languages_ = dir.path() + "/Language";
    fs::create_directories(languages_);
    ASSERT_EQ(LanguagesInit(U16(languages_), true), 1);  // writes the built-in English file
  }
  void TearDown() override {
    LanguagesTerm();
    LoadDefaultLangLib();
    CDlgOptions::SetRememberedIndex(0);
    OptionsTest::TearDown();
  }
  // A language "ZV_LW" whose e-mail entry in the options list is one long word.
  void WriteLanguage(const std::u16string& word) {
    WriteUtf16LangFile(languages_ + "/ZV_LW.lang",
                       u"# QAV Localization File\r\nIDS_LANGUAGE_NAME \"Langwort\"\r\nIDS_LANGUAGE_DISPLAY_NAME "
                       u"\"Langwort\"\r\nIDS_OPTIONS_TAB_LIST_EMAIL_SETTINGS \"" +
                           word + u"\"\r\n");
  }
  // The options page's list lies whole inside the sheet, and so does its chosen child, unless the
  // screen is too small for it: then the child's area scrolls as far as the child reaches.
  static void ExpectPageWhole(CDlgPropSheet& sheet, COptionsPropPage* options) {
    CDlgOptions* page = options->Options();
    SettleLayouts();
    const auto placeIn = [](const QWidget* within, const QWidget* part) {
      return QRect(part->mapTo(within, QPoint(0, 0)), part->size());
    };
    EXPECT_TRUE(sheet.rect().contains(placeIn(&sheet, page->SelectionList()))) << "the list";
    const auto* area = page->findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(sheet.rect().contains(placeIn(&sheet, area))) << "the child's area";
    const QRect child = placeIn(area->viewport(), page->CurrentChild());
    const QRect view = area->viewport()->rect();
    if (view.contains(child)) return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    EXPECT_GE(sheet.frameGeometry().width(), screen->availableSize().width() - 8) << "the sheet grew to the screen first";
    EXPECT_GE(area->horizontalScrollBar()->maximum() + view.width(), child.width()) << "the child can be scrolled to";
  }

  CSampleSheetServices services_{u"alice"};
  std::string languages_;
};

constexpr char16_t kLongWord[] = u"E-Mail-Benachrichtigungseinstellungsverwaltung";

TEST_F(SheetRoomTest, ALanguageWithLongerWordsWidensTheSheetWhenItComesLater) {
  OptionsOnlySheet shown(services_);
  CDlgPropSheet& sheet = shown.sheet;
  COptionsPropPage* options = shown.options;
  const int built = sheet.width();
  ExpectPageWhole(sheet, options);

  WriteLanguage(kLongWord);
  ASSERT_EQ(LoadLangLib(u"ZV_LW"), 1);
  sheet.Localize(true);  // what the main window does on UM_LOCALIZE
  SettleLayouts();
  EXPECT_GT(sheet.width(), built) << "the list widened for the long word, and the sheet with it";
  ExpectPageWhole(sheet, options);
  EXPECT_EQ(sheet.minimumSize(), sheet.maximumSize()) << "still a fixed size";
}

TEST_F(SheetRoomTest, TheSheetIsBuiltWideEnoughForTheLanguageItStartsIn) {
  WriteLanguage(kLongWord);
  ASSERT_EQ(LoadLangLib(u"ZV_LW"), 1);
  OptionsOnlySheet shown(services_);
  CDlgPropSheet& sheet = shown.sheet;
  COptionsPropPage* options = shown.options;
  SettleLayouts();
  ExpectPageWhole(sheet, options);
}

TEST_F(SheetRoomTest, ASheetThatWouldOutgrowTheScreenStopsAtItsEdge) {
  const QSize screen = QGuiApplication::primaryScreen()->availableSize();
  CDlgPropSheet sheet(services_);
  sheet.AddPage(new COptionsPropPage(services_), kPageOptions);
  sheet.InitSheet();
  sheet.show();
  WriteLanguage(std::u16string(static_cast<size_t>(screen.width() / 4), u'W'));  // no screen is that wide
  ASSERT_EQ(LoadLangLib(u"ZV_LW"), 1);
  sheet.Localize(true);
  SettleLayouts();
  EXPECT_LE(sheet.frameGeometry().width(), screen.width());
  EXPECT_LE(sheet.frameGeometry().height(), screen.height());
}

}  // namespace
}  // namespace qav::test
