// Screen-reader mode switched on in the sheet and then cancelled: the settings come back from the
// file, and every page shows the mode it holds again, whole. The toolbars of the recordings pages
// keep no caption of the cancelled mode on their icon buttons.
#include <gtest/gtest.h>

#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "skype/link/main_window_port.h"
#include "tests/ui/text_fit.h"
#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/recordings/dlg_conversation.h"
#include "ui/recordings/dlg_messages.h"
#include "ui/samples/sample_sheet_services.h"
#include "ui/sheet/dlg_prop_sheet.h"

namespace qav::test {
namespace {

// The settings file holds the mode off; a cancel reads it back.
class ModeOffOnFileServices : public CSampleSheetServices {
 public:
  ModeOffOnFileServices() : CSampleSheetServices(u"alice") {}
  void LoadSettings() override { g_ScreenReaderFriendlyMode = 0; }
};

class ModeChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadDefaultLangLib();
    lists_.Create();
    g_pImageLists = &lists_;
    g_ScreenReaderFriendlyMode = 0;
  }
  void TearDown() override {
    g_ScreenReaderFriendlyMode = 0;
    g_pImageLists = nullptr;
  }
  static std::vector<CButtonSSL*> ToolbarButtons(const CPropPage* page) {
    std::vector<CButtonSSL*> buttons;
    for (QWidget* widget : page->findChildren<QWidget*>()) {
      if (auto* button = dynamic_cast<CButtonSSL*>(widget); button != nullptr && button->isVisibleTo(page)) {
        buttons.push_back(button);
      }
    }
    return buttons;
  }

  static std::vector<std::pair<CPropPage*, uint32_t>> Pages(CPropPage* messages, CPropPage* conversations) {
    return {{messages, kPageVoiceMessages}, {conversations, kPageConversations}};
  }

  CAppImageLists lists_;
  ModeOffOnFileServices services_;
};

TEST_F(ModeChangeTest, CancellingScreenReaderModeTakesEveryCaptionOffTheToolbars) {
  CDlgPropSheet sheet(services_);
  auto* messages = new CDlgMessages(services_);
  auto* conversations = new CDlgConversation(services_);
  sheet.AddPage(messages, kPageVoiceMessages);
  sheet.AddPage(conversations, kPageConversations);
  sheet.InitSheet();
  sheet.show();
  SettleLayouts();

  // What the application page's switch does: the mode on, every page re-localised.
  g_ScreenReaderFriendlyMode = 1;
  sheet.SetModified(true);
  sheet.Localize(true);
  SettleLayouts();
  for (const auto& [page, flag] : Pages(messages, conversations)) {
    sheet.SetActivePage(flag);  // a page is laid out when it shows
    const std::vector<CButtonSSL*> buttons = ToolbarButtons(page);
    ASSERT_FALSE(buttons.empty());
    for (const CButtonSSL* button : buttons) EXPECT_EQ(button->text(), button->GetTooltipText()) << "captions on";
    const QStringList cut = CutTexts(page);
    EXPECT_TRUE(cut.isEmpty()) << Listed(cut);
  }

  sheet.OnCancel();
  sheet.show();
  SettleLayouts();
  for (const auto& [page, flag] : Pages(messages, conversations)) {
    sheet.SetActivePage(flag);
    for (const CButtonSSL* button : ToolbarButtons(page)) {
      EXPECT_TRUE(button->text().isEmpty()) << "left over: " << button->text().toStdString();
    }
    const QStringList cut = CutTexts(page);
    EXPECT_TRUE(cut.isEmpty()) << Listed(cut);
  }
}

}  // namespace
}  // namespace qav::test
