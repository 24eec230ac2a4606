// The sheet's own pages read whole at the default font and at a larger one, with and without
// screen-reader captions: every toolbar caption, column title, text and button of the voice
// messages, conversations and About pages shows whole, and the sheet stays on its screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "skype/link/main_window_port.h"
#include "tests/ui/text_fit.h"
#include "ui/about/dlg_about.h"
#include "ui/art/app_image_lists.h"
#include "ui/recordings/dlg_conversation.h"
#include "ui/recordings/dlg_messages.h"
#include "ui/samples/sample_sheet_services.h"
#include "ui/sheet/dlg_prop_sheet.h"

namespace qav::test {
namespace {

class SheetTextFitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadDefaultLangLib();
    lists_.Create();
    g_pImageLists = &lists_;
  }
  void TearDown() override {
    g_ScreenReaderFriendlyMode = 0;
    g_pImageLists = nullptr;
  }

  TestFonts fonts_{1.5};
  CAppImageLists lists_;
  CSampleSheetServices services_{u"alice"};
};

TEST_F(SheetTextFitTest, EveryPageReadsWholeAtEachFontWithAndWithoutCaptions) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (const QFont& font : fonts_.Both()) {
    QApplication::setFont(font);
    for (const int captions : {0, 1}) {
      g_ScreenReaderFriendlyMode = captions;
      CDlgPropSheet sheet(services_);
      sheet.AddPage(new CDlgMessages(services_), kPageVoiceMessages);
      sheet.AddPage(new CDlgConversation(services_), kPageConversations);
      sheet.AddPage(new CDlgAbout(services_), kPageAbout);
      sheet.InitSheet();
      sheet.show();
      for (const uint32_t page : {kPageVoiceMessages, kPageConversations, kPageAbout}) {
        sheet.SetActivePage(page);
        SCOPED_TRACE("page " + std::to_string(page) + (captions ? ", captions" : "") + ", " +
                     std::to_string(font.pointSizeF()) + "pt");
        const QStringList cut = CutTexts(&sheet);
        EXPECT_TRUE(cut.isEmpty()) << Listed(cut);
        EXPECT_TRUE(screen.contains(sheet.frameGeometry()));
      }
    }
  }
}

}  // namespace
}  // namespace qav::test
