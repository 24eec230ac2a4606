// Every option child reads whole at the default font and at a larger one, in basic, advanced and
// screen-reader mode: no label, box, button or group title is narrower than its text, nothing
// stands outside what its page shows (the child area scrolls instead), and nothing lies over
// another control. The sheet stays on its screen.
#include <QGuiApplication>
#include <QScreen>

#include "skype/link/main_window_port.h"
#include "tests/ui/options/options_fixture.h"
#include "tests/ui/text_fit.h"
#include "ui/art/app_image_lists.h"
#include "ui/options/dlg_options.h"
#include "ui/options/option_child.h"
#include "ui/samples/sample_sheet_services.h"

namespace qav::test {
namespace {

struct Mode {
  const char* name;
  int advanced;
  int screenReader;
};
constexpr Mode kModes[] = {{"basic", 0, 0}, {"advanced", 1, 0}, {"screen reader", 1, 1}, {"basic screen reader", 0, 1}};

class OptionTextFitTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    defaultFont_ = QApplication::font();
    lists_.Create();
    g_pImageLists = &lists_;
  }
  void TearDown() override {
    g_pImageLists = nullptr;
    QApplication::setFont(defaultFont_);
    CDlgOptions::SetRememberedIndex(0);
    OptionsTest::TearDown();
  }
  std::vector<QFont> Fonts() const {
    QFont larger = defaultFont_;
    larger.setPointSizeF(defaultFont_.pointSizeF() * 1.5);  // as a 144 dpi desktop shows it
    return {defaultFont_, larger};
  }

  QFont defaultFont_;
  CAppImageLists lists_;
  CSampleSheetServices services_{u"alice"};
};

TEST_F(OptionTextFitTest, EveryChildReadsWholeAtEachFontAndModeAndTheSheetStaysOnItsScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (const QFont& font : Fonts()) {
    QApplication::setFont(font);
    for (const Mode& mode : kModes) {
      g_AdvancedSettingMode = mode.advanced;
      g_ScreenReaderFriendlyMode = mode.screenReader;
      OptionsOnlySheet shown(services_);
      CDlgOptions* page = shown.options->Options();
      for (int slot = 0; slot < CDlgOptions::kSlotCount; ++slot) {
        if (page->ListIndexOf(slot) < 0) continue;
        page->OnUserSelectPage(page->Child(slot)->DialogId());
        QApplication::processEvents();
        SCOPED_TRACE("child " + std::to_string(page->CurrentChild()->DialogId()) + ", " + mode.name + ", " +
                     std::to_string(font.pointSizeF()) + "pt");
        const QStringList cut = CutTexts(&shown.sheet);
        EXPECT_TRUE(cut.isEmpty()) << Listed(cut);
      }
      EXPECT_TRUE(screen.contains(shown.sheet.frameGeometry())) << mode.name << " at " << font.pointSizeF() << "pt";
    }
  }
}

}  // namespace
}  // namespace qav::test
