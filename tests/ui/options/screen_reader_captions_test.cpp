// Screen-reader mode on the option pages: every icon button shows its tooltip as a caption, and
// the caption is never cut: the button is as wide as its text beside its picture, stands below its
// row clear of every other control and inside its page, and the sheet makes room for it or the
// page scrolls. Outside that mode each control is back where it was.
#include <QGroupBox>
#include <QMap>
#include <QTabWidget>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "skype/link/main_window_port.h"
#include "tests/ui/options/option_test_controls.h"
#include "tests/ui/options/options_fixture.h"
#include "tests/ui/text_fit.h"
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

  // Every control of the child that a user reads or uses, wherever it sits in the child's layout.
  static std::vector<QWidget*> Controls(const COptionChild* child) {
    std::vector<QWidget*> controls;
    for (QWidget* control : child->findChildren<QWidget*>()) {
      if (control->property("qavControlId").isValid()) controls.push_back(control);
    }
    return controls;
  }
  static QRect PlaceIn(const QWidget* child, const QWidget* control) {
    return {control->mapTo(child, QPoint(0, 0)), control->size()};
  }
  static Places PlacesOf(const COptionChild* child) {
    Places places;
    for (const QWidget* control : Controls(child)) {
      if (control->isVisibleTo(child)) places.insert(control->objectName(), PlaceIn(child, control));
    }
    places.insert(QStringLiteral("child"), child->rect());
    return places;
  }

  // Each shown icon button of the child: its caption is its tooltip and fits beside its picture;
  // it overlaps no other shown control (frames aside) and lies inside the child. Returns how many.
  int ExpectCaptionsWhole(const COptionChild* child) const {
    SettleLayouts();
    int buttons = 0;
    for (QWidget* control : Controls(child)) {
      auto* button = dynamic_cast<CButtonSSL*>(control);
      if (button == nullptr || !button->isVisibleTo(child) || button->GetTooltipText().isEmpty()) continue;
      ++buttons;
      const QString caption = button->text();
      SCOPED_TRACE(caption.toStdString());
      EXPECT_FALSE(caption.isEmpty());
      EXPECT_EQ(caption, button->GetTooltipText());
      const int room = button->width() - 3 - lists.m_smallButtonList.Width() - 1;
      EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(caption), room) << "caption cut";
      EXPECT_EQ(button->GetImageAlign(), CButtonSSL::kAlignHCenter | CButtonSSL::kAlignVCenter)
          << "the picture at the left, its middle on the caption's line";
      const QRect place = PlaceIn(child, button);
      EXPECT_TRUE(child->rect().contains(place)) << "inside the child";
      for (const QWidget* other : Controls(child)) {
        if (other == button || !other->isVisibleTo(child) || qobject_cast<const QGroupBox*>(other) != nullptr) continue;
        EXPECT_FALSE(PlaceIn(child, other).intersects(place)) << "over " << other->objectName().toStdString();
      }
    }
    const QStringList cut = CutTexts(child);
    EXPECT_TRUE(cut.isEmpty()) << Listed(cut);
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
  }
  EXPECT_EQ(pagesWithButtons, 6) << "recording, both greetings, call waiting, advanced, application";
}

// The mode switched while the page is open (the Application child's check box): the captions get
// their lines below their rows, and switched off again every control is back in its place.
TEST_F(ScreenReaderCaptionsTest, SwitchingTheModeLaysTheButtonsOutAndBackAgain) {
  CDlgOptions page(sheet, nullptr);
  page.show();
  std::vector<Places> designed;
  for (int slot = 0; slot < CDlgOptions::kSlotCount; ++slot) {
    page.OnUserSelectPage(page.Child(slot)->DialogId());
    SettleLayouts();
    designed.push_back(PlacesOf(page.Child(slot)));
  }

  g_ScreenReaderFriendlyMode = 1;
  page.OnUpdateDlg();
  page.OnUserSelectPage(347);
  EXPECT_GT(ExpectCaptionsWhole(page.CurrentChild()), 0);
  const QWidget* browse = Find<QWidget>(page.CurrentChild(), 1198);
  const QWidget* path = Find<QWidget>(page.CurrentChild(), 1013);
  EXPECT_GT(PlaceIn(page.CurrentChild(), browse).top(), PlaceIn(page.CurrentChild(), path).bottom())
      << "the captioned buttons stand below their row";

  g_ScreenReaderFriendlyMode = 0;
  page.OnUpdateDlg();
  for (int slot = 0; slot < CDlgOptions::kSlotCount; ++slot) {
    page.OnUserSelectPage(page.Child(slot)->DialogId());
    SettleLayouts();
    EXPECT_EQ(PlacesOf(page.Child(slot)), designed[slot]) << page.Child(slot)->DialogId();
  }
}

// In the program the page sits in the sheet, sized when it was built: switched on later, the mode
// makes the sheet grow to show the taller page, up to the screen's edge; beyond it the child
// scrolls, and nothing of it is out of reach.
TEST_F(ScreenReaderCaptionsTest, TheSheetGrowsToShowTheTallerPageOrItScrolls) {
  CSampleSheetServices services{u"alice"};
  OptionsOnlySheet built(services);
  CDlgPropSheet& propertySheet = built.sheet;
  COptionsPropPage* options = built.options;
  const QSize builtSize = propertySheet.size();
  const QSize screen = QGuiApplication::primaryScreen()->availableSize();

  g_ScreenReaderFriendlyMode = 1;
  propertySheet.Localize(true);  // what the main window does on UM_LOCALIZE
  options->Options()->OnUserSelectPage(347);
  SettleLayouts();
  const COptionChild* child = options->Options()->CurrentChild();
  const auto* area = qobject_cast<const QScrollArea*>(options->Options()->findChild<QScrollArea*>());
  ASSERT_NE(area, nullptr);
  const QRect shown(child->mapTo(area->viewport(), QPoint(0, 0)), child->size());
  if (propertySheet.frameGeometry().height() < screen.height()) {
    EXPECT_TRUE(area->viewport()->rect().contains(shown)) << "the greeting child whole in view";
    EXPECT_GT(propertySheet.height(), builtSize.height());
  } else {
    EXPECT_TRUE(area->verticalScrollBar()->isVisible()) << "the child scrolls";
    EXPECT_GE(area->verticalScrollBar()->maximum(), shown.height() - area->viewport()->height());
  }
  EXPECT_LE(propertySheet.frameGeometry().height(), screen.height());
  EXPECT_EQ(propertySheet.minimumSize(), propertySheet.maximumSize()) << "still a fixed size";
}

}  // namespace
}  // namespace qav::test
