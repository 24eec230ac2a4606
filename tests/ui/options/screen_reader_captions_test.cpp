// Screen-reader mode on the option pages: every icon button shows its tooltip as a caption, and
// the caption is never cut: the button is as wide as its text beside its picture, stands clear of
// every other control and inside its page, and the page and the sheet make room for it. Outside
// that mode each control is back where the child placed it.
#include <QGroupBox>
#include <QMap>
#include <QTabWidget>
#include <QTest>

#include "skype/link/main_window_port.h"
#include "tests/ui/options/options_fixture.h"
#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/options/dlg_options.h"
#include "ui/sheet/dlg_prop_sheet.h"
#include "ui/options/option_child.h"
#include "ui/options/options_prop_page.h"
#include "ui/samples/sample_sheet_services.h"

namespace qav::test {
namespace {

using Places = QMap<QString, QRect>;

class ScreenReaderCaptionsTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    lists.Create();
    g_pImageLists = &lists;
    g_AdvancedSettingMode = 1;  // every child listed
  }
  void TearDown() override {
    g_pImageLists = nullptr;
    CDlgOptions::SetRememberedIndex(0);
    OptionsTest::TearDown();
  }

  static std::vector<QWidget*> Controls(const COptionChild* child) {
    std::vector<QWidget*> controls;
    for (QWidget* control : child->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) controls.push_back(control);
    return controls;
  }
  static Places PlacesOf(const COptionChild* child) {
    Places places;
    for (const QWidget* control : Controls(child)) places.insert(control->objectName(), control->geometry());
    places.insert(QStringLiteral("child"), child->rect());
    return places;
  }

  // Each shown icon button of the child: its caption is its tooltip and fits beside its picture;
  // it overlaps no other shown control (frames aside) and lies inside the child. Returns how many.
  int ExpectCaptionsWhole(const COptionChild* child) const {
    int buttons = 0;
    for (QWidget* control : Controls(child)) {
      auto* button = dynamic_cast<CButtonSSL*>(control);
      if (button == nullptr || !button->isVisibleTo(child)) continue;
      ++buttons;
      const QString caption = button->text();
      SCOPED_TRACE(caption.toStdString());
      EXPECT_FALSE(caption.isEmpty());
      EXPECT_EQ(caption, button->GetTooltipText());
      const int room = button->width() - 3 - lists.m_smallButtonList.Width() - 1;
      EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(caption), room) << "caption cut";
      EXPECT_EQ(button->GetImageAlign(), CButtonSSL::kAlignHCenter | CButtonSSL::kAlignVCenter)
          << "the picture at the left, its middle on the caption's line";
      EXPECT_TRUE(child->rect().contains(button->geometry())) << "inside the child";
      for (const QWidget* other : Controls(child)) {
        if (other == button || !other->isVisibleTo(child) || qobject_cast<const QGroupBox*>(other) != nullptr) continue;
        EXPECT_FALSE(other->geometry().intersects(button->geometry())) << "over " << other->objectName().toStdString();
      }
    }
    return buttons;
  }

  CAppImageLists lists;
};

TEST_F(ScreenReaderCaptionsTest, EveryOptionPageShowsItsIconButtonCaptionsWhole) {
  g_ScreenReaderFriendlyMode = 1;
  CDlgOptions page(sheet, nullptr);
  page.show();
  int pagesWithButtons = 0;
  for (int slot = 0; slot < CDlgOptions::kSlotCount; ++slot) {
    COptionChild* child = page.Child(slot);
    SCOPED_TRACE(child->DialogId());
    page.OnUserSelectPage(child->DialogId());
    ASSERT_EQ(page.CurrentChild(), child);
    if (ExpectCaptionsWhole(child) > 0) ++pagesWithButtons;
    EXPECT_LE(child->geometry().bottom(), page.minimumHeight()) << "the page makes room for the lines";
  }
  EXPECT_EQ(pagesWithButtons, 6) << "recording, both greetings, call waiting, advanced, application";
}

// The mode switched while the page is open (the Application child's check box): the captions get
// their lines, and switched off again every control is back in its place and the page its height.
TEST_F(ScreenReaderCaptionsTest, SwitchingTheModeLaysTheButtonsOutAndBackAgain) {
  CDlgOptions page(sheet, nullptr);
  page.show();
  std::vector<Places> designed;
  for (int slot = 0; slot < CDlgOptions::kSlotCount; ++slot) designed.push_back(PlacesOf(page.Child(slot)));
  const int designedHeight = page.minimumHeight();

  g_ScreenReaderFriendlyMode = 1;
  page.OnUpdateDlg();
  page.OnUserSelectPage(347);
  ExpectCaptionsWhole(page.CurrentChild());
  EXPECT_GT(page.minimumHeight(), designedHeight);

  g_ScreenReaderFriendlyMode = 0;
  page.OnUpdateDlg();
  for (int slot = 0; slot < CDlgOptions::kSlotCount; ++slot) {
    page.OnUserSelectPage(page.Child(slot)->DialogId());
    EXPECT_EQ(PlacesOf(page.Child(slot)), designed[slot]) << page.Child(slot)->DialogId();
  }
  EXPECT_EQ(page.minimumHeight(), designedHeight);
}

// In the program the page sits in the sheet, sized when it was built: switched on later, the mode
// makes the sheet grow to show the taller page whole.
TEST_F(ScreenReaderCaptionsTest, TheSheetGrowsToShowTheTallerPage) {
  CSampleSheetServices services{u"alice"};
  OptionsOnlySheet built(services);
  CDlgPropSheet& propertySheet = built.sheet;
  COptionsPropPage* options = built.options;
  const QSize builtSize = propertySheet.size();

  g_ScreenReaderFriendlyMode = 1;
  propertySheet.Localize(true);  // what the main window does on UM_LOCALIZE
  options->Options()->OnUserSelectPage(347);
  QApplication::processEvents();
  const COptionChild* child = options->Options()->CurrentChild();
  const QRect shown(child->mapTo(&propertySheet, QPoint(0, 0)), child->size());
  EXPECT_TRUE(propertySheet.rect().contains(shown)) << "the greeting child whole inside the sheet";
  EXPECT_GT(propertySheet.height(), builtSize.height());
  EXPECT_EQ(propertySheet.minimumSize(), propertySheet.maximumSize()) << "still a fixed size";
}

}  // namespace
}  // namespace qav::test
