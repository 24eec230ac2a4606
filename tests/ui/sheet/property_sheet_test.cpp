// The property sheet on Qt's offscreen platform, with the program's services
// replaced by a recording fake.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "foundation/language_tables.h"
#include "skype/link/main_window_port.h"
#include "ui/art/app_image_lists.h"
#include "ui/sheet/dlg_prop_sheet.h"
#include "ui/sheet/prop_page.h"
#include "ui/sheet/qt_property_sheet.h"
#include "ui/sheet/sheet_placement.h"
#include "ui/sheet/sheet_services.h"

namespace {

class FakeServices : public CSheetServices {
 public:
  std::u16string handle;
  std::u16string greeting[2];      // [0] other callers, [1] contacts
  std::u16string savedGreeting[2];  // what LoadSettings brings back
  bool reloadSucceeds = true;
  int saves = 0, loads = 0;
  std::vector<bool> reloaded;
  std::vector<std::u16string> errors, opened;

  std::u16string CurrentUserHandle() override { return handle; }
  void SaveSettings() override {
    ++saves;
    savedGreeting[0] = greeting[0];
    savedGreeting[1] = greeting[1];
  }
  void LoadSettings() override {
    ++loads;
    greeting[0] = savedGreeting[0];
    greeting[1] = savedGreeting[1];
  }
  std::u16string GreetingPath(bool buddy) override { return greeting[buddy]; }
  bool ReloadGreeting(bool buddy) override {
    reloaded.push_back(buddy);
    return reloadSucceeds;
  }
  void ShowError(const std::u16string& text) override { errors.push_back(text); }
  void OpenUrl(const std::u16string& url) override { opened.push_back(url); }
};

class CountingPage : public CPropPage {
 public:
  explicit CountingPage(std::u16string title) : m_title(std::move(title)) {}
  std::u16string GetTabTitle() const override { return m_title + u" (" + std::u16string(1, char16_t(u'0' + updates)) + u")"; }
  void OnUpdateDlg() override { ++updates; }
  void OnKillActive() override { ++killed; }
  void OnUserSelectPage(uint32_t id) override { selected = id; }
  int updates = 0, killed = 0;
  uint32_t selected = 0;

 private:
  std::u16string m_title;
};

struct SheetFixture : testing::Test {
  FakeServices services;
  CDlgPropSheet sheet{services};
  CountingPage* messages = new CountingPage(u"M");
  CountingPage* conversations = new CountingPage(u"C");
  CountingPage* options = new CountingPage(u"O");
  CountingPage* about = new CountingPage(u"A");
  void SetUp() override {
    LoadDefaultLangLib();
    sheet.AddPage(messages, kPageVoiceMessages);
    sheet.AddPage(conversations, kPageConversations);
    sheet.AddPage(options, kPageOptions);
    sheet.AddPage(about, kPageAbout);
    sheet.InitSheet();
  }
};

TEST_F(SheetFixture, CaptionCarriesTheCurrentUserWhenOneIsKnown) {
  EXPECT_EQ(sheet.windowTitle(), QStringLiteral("QAV"));
  services.handle = u"alice.s";
  sheet.Localize(false);
  EXPECT_EQ(sheet.windowTitle(), QStringLiteral("QAV - alice.s"));
  EXPECT_EQ(sheet.OkButton()->text(), QStringLiteral("OK"));
  EXPECT_EQ(sheet.ApplyButton()->text(), QStringLiteral("Apply"));
}

// The program's windows carry the program's icon (128); the sheet shows its own, 149.
TEST_F(SheetFixture, ShowsItsOwnIconNotTheProgramsOne) {
  const QIcon programIcon = QApplication::windowIcon();
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(LoadImageFromResource(128))));
  CDlgPropSheet fresh(services);
  const QImage expected = LoadImageFromResource(149).convertToFormat(QImage::Format_ARGB32);
  const QImage shown = fresh.windowIcon().pixmap(expected.size()).toImage().convertToFormat(QImage::Format_ARGB32);
  QApplication::setWindowIcon(programIcon);
  EXPECT_EQ(shown.size(), expected.size());
  EXPECT_TRUE(shown == expected) << "the sheet's window icon is not image 149";
}

TEST_F(SheetFixture, RefreshesReachOnlySinglePagesAndNeverAboutAsAWhole) {
  // InitSheet refreshed every page but About once.
  EXPECT_EQ(messages->updates, 1);
  EXPECT_EQ(options->updates, 1);
  EXPECT_EQ(about->updates, 0);
  sheet.OnUpdateDlg(kPageContacts);
  sheet.OnUpdateDlg(kPageAll);
  EXPECT_EQ(messages->updates, 1);
  EXPECT_EQ(conversations->updates, 1);
  sheet.OnUpdateDlg(kPageConversations);
  EXPECT_EQ(conversations->updates, 2);
  EXPECT_EQ(sheet.Tabs()->tabText(1), QStringLiteral("C (2)"));
}

TEST_F(SheetFixture, OkSavesOnlyWhenApplyIsOnAndHides) {
  sheet.ShowSheet(true, kPageAbout);
  EXPECT_TRUE(sheet.isVisible());
  EXPECT_EQ(sheet.Tabs()->currentIndex(), 3);
  QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
  EXPECT_EQ(services.saves, 0);
  EXPECT_FALSE(sheet.isVisible());
  EXPECT_EQ(options->killed, 1);

  sheet.ShowSheet(true, 0);
  EXPECT_EQ(sheet.Tabs()->currentIndex(), 3) << "flag 0 keeps the current page";
  sheet.SetModified(true);
  EXPECT_TRUE(sheet.ApplyButton()->isEnabled());
  QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
  EXPECT_EQ(services.saves, 1);
  EXPECT_FALSE(sheet.ApplyButton()->isEnabled());
}

TEST_F(SheetFixture, CancelReloadsOnlyChangedGreetingsAndSaysWhichFailed) {
  services.greeting[1] = services.savedGreeting[1] = u"/g/contacts.wav";
  services.greeting[0] = services.savedGreeting[0] = u"/g/others.wav";

  // Nothing unsaved: nothing reloaded, nothing said.
  sheet.ShowSheet(true, kPageOptions);
  QTest::mouseClick(sheet.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(services.loads, 0);
  EXPECT_TRUE(services.reloaded.empty());
  EXPECT_FALSE(sheet.isVisible());

  // Unsaved change of the contacts' greeting only: reloaded from the files, that greeting rebuilt.
  sheet.ShowSheet(true, kPageOptions);
  services.greeting[1] = u"/g/new.wav";
  sheet.SetModified(true);
  services.reloadSucceeds = false;
  sheet.close();  // the close box is Cancel
  EXPECT_EQ(services.loads, 1);
  EXPECT_EQ(services.greeting[1], u"/g/contacts.wav");
  ASSERT_EQ(services.reloaded, std::vector<bool>{true});
  ASSERT_EQ(services.errors.size(), 1u);
  EXPECT_NE(services.errors[0].find(u"default caller"), std::u16string::npos);
  EXPECT_FALSE(sheet.ApplyButton()->isEnabled());
  EXPECT_FALSE(sheet.isVisible());
}

TEST_F(SheetFixture, OptionChildRequestsGoToTheOptionsPage) {
  sheet.SelectOptionChild(348);
  EXPECT_EQ(options->selected, 348u);
}

TEST(SheetPlacement, RememberedPositionIsUsedOnlyWhenTheSheetFits) {
  const QSize sheet(500, 400), screen(1280, 1024), work(1280, 990);
  struct Case {
    QPoint remembered;
    QPoint expected;
  } cases[] = {
      {{-1, -1}, {392, 312}},   // (1280-500)/2+4 = 394 -> 392
      {{100, 50}, {100, 50}},   // fits
      {{780, 50}, {392, 312}},  // right edge reaches the work width
      {{100, 590}, {392, 312}}, // bottom edge reaches the work height
      {{0, 0}, {0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(SheetPlacement(c.remembered, sheet, screen, work), c.expected) << c.remembered.x();
}

TEST(SheetPosition, IsKeptForTheRunWhenTheSheetIsDestroyed) {
  CQtPropertySheet part(std::make_unique<FakeServices>());
  ASSERT_TRUE(part.Create(u"QAV"));
  part.Window()->move(40, 48);
  const QPoint kept = part.Window()->frameGeometry().topLeft();
  part.Destroy();
  EXPECT_FALSE(part.Exists());
  EXPECT_EQ(CDlgPropSheet::RememberedPosition(), kept);
  CDlgPropSheet::SetRememberedPosition({-1, -1});
}

}  // namespace
