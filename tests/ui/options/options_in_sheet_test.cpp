// The options page in its place in the sheet, driven through the sheet's own buttons and the
// program's refresh: whatever a Cancel or a reload of the settings brings back, exactly one child
// shows, the one of the selected row.
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "skype/link/main_window_port.h"
#include "tests/ui/options/option_test_controls.h"
#include "tests/ui/options/options_fixture.h"
#include "ui/art/app_image_lists.h"
#include "ui/options/dlg_options.h"
#include "ui/options/option_child.h"

namespace qav::test {
namespace {

class OptionsInSheetTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    lists_.Create();
    g_pImageLists = &lists_;
  }
  void TearDown() override {
    g_pImageLists = nullptr;
    CDlgOptions::SetRememberedIndex(0);
    OptionsTest::TearDown();
  }
  // The dialog ids of the children the user sees on the page.
  static std::vector<int> ShownChildren(CDlgOptions* page) {
    std::vector<int> shown;
    for (int slot = 0; slot < CDlgOptions::kSlotCount; ++slot) {
      if (page->Child(slot)->isVisible()) shown.push_back(page->Child(slot)->DialogId());
    }
    return shown;
  }
  // The dialog id of the child the list's selected row stands for.
  static int SelectedRowsChild(CDlgOptions* page) {
    const int row = page->SelectionList()->currentRow();
    for (int slot = 0; slot < CDlgOptions::kSlotCount; ++slot) {
      if (page->ListIndexOf(slot) == row) return page->Child(slot)->DialogId();
    }
    return -1;
  }
  // Every row picked in turn shows its own child and no other.
  static void EachRowShowsOnlyItsChild(CDlgOptions* page) {
    QListWidget* list = page->SelectionList();
    for (int row = 0; row < list->count(); ++row) {
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
      SCOPED_TRACE("row " + std::to_string(row));
      EXPECT_EQ(ShownChildren(page), std::vector<int>{SelectedRowsChild(page)});
    }
  }

  CAppImageLists lists_;
  FileSettingsServices services_;
};

// The settings files hold basic mode; advanced mode is switched on in the sheet and never applied.
// A Cancel (or the reload at a sign-in) takes it away while an advanced-only child shows.
TEST_F(OptionsInSheetTest, AfterAReloadDropsAdvancedModeOnlyTheSelectedRowsChildShows) {
  struct Case {
    int shownDialogId;  // advanced-only
    int expectedDialogId;
  } const cases[] = {
      {343, 349},  // audio settings: the list of six shows the application child
      {148, 348},  // unknown caller: its row is reject call waiting's now
      {346, 349},  // advanced: past the shorter list's end, its last row
  };
  for (const bool byCancel : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(byCancel ? "cancel, child " : "sign-in reload, child ") + std::to_string(c.shownDialogId));
      g_AdvancedSettingMode = 0;
      ::SaveSettings();
      g_AdvancedSettingMode = 1;  // switched on, not applied
      OptionsAndAboutSheet shown(services_);
      CDlgOptions* page = shown.options->Options();
      page->OnUserSelectPage(c.shownDialogId);
      ASSERT_EQ(ShownChildren(page), std::vector<int>{c.shownDialogId});
      shown.sheet.SetModified(true);
      if (byCancel) {
        QTest::mouseClick(shown.sheet.CancelButton(), Qt::LeftButton);
        ASSERT_FALSE(shown.sheet.isVisible());
        shown.sheet.ShowSheet(true, kPageOptions);
      } else {
        // The program reads the user's settings at a sign-in and refreshes the options page.
        ::LoadSettings();
        shown.sheet.OnUpdateDlg(kPageOptions);
      }
      QApplication::processEvents();
      ASSERT_EQ(g_AdvancedSettingMode, 0);
      EXPECT_EQ(page->SelectionList()->count(), 6);
      EXPECT_EQ(ShownChildren(page), std::vector<int>{c.expectedDialogId});
      EXPECT_EQ(SelectedRowsChild(page), c.expectedDialogId);
      EachRowShowsOnlyItsChild(page);
    }
  }
}

// The notice for a missing user judges by what the page shows, also while the sheet is hidden:
// a refresh then leaves no child shown over the notice.
TEST_F(OptionsInSheetTest, WithoutAUserARefreshWhileTheSheetIsHiddenShowsOnlyTheNotice) {
  OptionsAndAboutSheet shown(services_);
  CDlgOptions* page = shown.options->Options();
  page->OnUserSelectPage(149);
  shown.sheet.ShowSheet(false, 0);
  user.clear();
  services_.handle.clear();
  shown.sheet.OnUpdateDlg(kPageOptions);
  page->OnListSelectChanged();  // the list notifies again with the same row
  shown.sheet.ShowSheet(true, kPageOptions);
  QApplication::processEvents();
  EXPECT_TRUE(page->findChild<QWidget*>(QStringLiteral("noUserText"))->isVisible());
  EXPECT_TRUE(ShownChildren(page).empty());
}

// What a screen reader reads of the sheet, and where the keyboard goes: the list and every page
// have a name, Tab from the list goes to the shown child's first control (nothing invisible takes
// the focus on the way), and Ctrl+Tab changes the page wherever the focus is.
TEST_F(OptionsInSheetTest, TheListAndThePagesAreNamedAndTheKeyboardReachesWhatShows) {
  OptionsAndAboutSheet shown(services_);
  shown.sheet.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&shown.sheet));
  CDlgOptions* page = shown.options->Options();
  QListWidget* list = page->SelectionList();
  EXPECT_EQ(list->accessibleName(), QStringLiteral("Options"));
  EXPECT_EQ(shown.options->accessibleName(), QStringLiteral("Options"));
  for (int slot = 0; slot < CDlgOptions::kSlotCount; ++slot) {
    if (page->ListIndexOf(slot) < 0) continue;
    page->OnUserSelectPage(page->Child(slot)->DialogId());
    COptionChild* child = page->CurrentChild();
    SCOPED_TRACE("child " + std::to_string(child->DialogId()));
    EXPECT_EQ(child->accessibleName(), list->item(page->ListIndexOf(slot))->text()) << "named as its row";
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Tab);
    QWidget* focus = shown.sheet.focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(child->isAncestorOf(focus)) << "the focus went to " << focus->metaObject()->className() << " "
                                            << focus->objectName().toStdString();
    EXPECT_TRUE(focus->isVisible());
  }

  QPushButton* buttons[] = {shown.sheet.OkButton(), shown.sheet.CancelButton()};
  for (QPushButton* button : buttons) {
    SCOPED_TRACE(button->text().toStdString());
    shown.sheet.SetActivePage(kPageOptions);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(shown.sheet.Tabs()->currentIndex(), shown.sheet.PageIndex(kPageAbout));
    QTest::keyClick(shown.sheet.focusWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(shown.sheet.Tabs()->currentIndex(), shown.sheet.PageIndex(kPageOptions));
  }
  EXPECT_TRUE(shown.sheet.isVisible()) << "no key closed the sheet";
}

}  // namespace
}  // namespace qav::test
