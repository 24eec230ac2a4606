#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QStyle>
#include <QWidget>
#include <QWidgetAction>

#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/controls/multi_line_edit.h"
#include "ui/controls/title_menu.h"
#include "ui/controls/ux_theme.h"

namespace {

QRgb PixelAt(QWidget& widget, QPoint at) { return widget.grab().toImage().pixel(at); }

TEST(UxTheme, TheTabBodyColourComesFromTheStyleAndUnknownAsksFail) {
  QWidget page;
  QPalette palette = page.palette();
  palette.setColor(QPalette::Window, QColor(10, 20, 30));
  page.setPalette(palette);
  CUxTheme& theme = UxTheme();
  EXPECT_EQ(theme.IsAppThemed(), 1);
  EXPECT_EQ(theme.OpenThemeData(&page, u"SCROLLBAR"), nullptr);
  HTHEME tab = theme.OpenThemeData(&page, u"tab");
  ASSERT_NE(tab, nullptr);
  COLORREF colour = 0x123456;
  EXPECT_EQ(theme.GetThemeColor(tab, TABP_BODY, 0, 9999, &colour), E_FAIL);
  EXPECT_EQ(colour, 0x123456u);  // untouched
  EXPECT_EQ(theme.GetThemeColor(tab, 3, 0, TMT_FILLCOLORHINT, &colour), E_FAIL);
  EXPECT_EQ(theme.CloseThemeData(tab), S_OK);
  EXPECT_EQ(theme.CloseThemeData(nullptr), E_FAIL);
  EXPECT_EQ(ThemedTabBodyColor(&page, TMT_FILLCOLORHINT, 0), RGB(10, 20, 30));
}

TEST(ButtonSSL, ColourSlotsOutOfRangeChangeNothing) {
  CButtonSSL button;
  EXPECT_EQ(button.SetColor(10, RGB(1, 2, 3)), 0);
  EXPECT_EQ(button.SetColor(-1, RGB(1, 2, 3)), 0);
  EXPECT_EQ(button.GetColor(10), 0u);
  EXPECT_EQ(button.SetColor(CButtonSSL::BTNST_COLOR_BK_IN, RGB(1, 2, 3)), 1);
  EXPECT_EQ(button.GetColor(CButtonSSL::BTNST_COLOR_BK_IN), RGB(1, 2, 3));
  EXPECT_EQ(button.GetColor(CButtonSSL::BTNST_COLOR_BK_MODE), 0xFFFFFFFFu);
}

TEST(ButtonSSL, EachStateDrawsItsOwnBackgroundColour) {
  QWidget parent;
  auto* button = new CButtonSSL(&parent, BS_AUTOCHECKBOX);
  button->setGeometry(0, 0, 60, 30);
  button->SetColor(CButtonSSL::BTNST_COLOR_BK_IN, RGB(200, 0, 0));
  button->SetColor(CButtonSSL::BTNST_COLOR_BK_PRESSED, RGB(0, 200, 0));
  button->SetColor(CButtonSSL::BTNST_COLOR_BK_DISABLED, RGB(0, 0, 200));
  const QPoint inside(30, 15);
  EXPECT_EQ(button->DrawState(), CButtonSSL::kNormal);
  EXPECT_EQ(PixelAt(*button, inside), qRgb(200, 0, 0));
  button->SetCheck(true);
  EXPECT_EQ(button->DrawState(), CButtonSSL::kPressed);
  EXPECT_EQ(PixelAt(*button, inside), qRgb(0, 200, 0));
  button->setEnabled(false);
  EXPECT_EQ(button->DrawState(), CButtonSSL::kDisabled);
  EXPECT_EQ(PixelAt(*button, inside), qRgb(0, 0, 200));
}

TEST(ButtonSSL, SettingACheckNotifiesNobodyAndAClickToggles) {
  QWidget parent;
  auto* box = new CButtonSSL(&parent, BS_AUTOCHECKBOX);
  box->resize(40, 20);
  QSignalSpy clicked(box, &QAbstractButton::clicked);
  QSignalSpy toggled(box, &QAbstractButton::toggled);
  box->SetCheck(true);
  EXPECT_EQ(box->GetCheck(), 1);
  EXPECT_EQ(clicked.count(), 0);
  int seenByHandler = -1;
  QObject::connect(box, &QAbstractButton::clicked, [&] { seenByHandler = box->GetCheck(); });
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(seenByHandler, 0);  // the handler sees the state after the toggle
  EXPECT_EQ(toggled.count(), 0);

  CButtonSSL push(nullptr, BS_PUSHBUTTON);
  push.SetCheck(true);
  EXPECT_EQ(push.GetCheck(), 0);  // a push button has no check state
}

TEST(ButtonSSL, ClickingARadioButtonLeavesExactlyOneOfItsGroupChecked) {
  QWidget parent;
  CButtonSSL* radios[3];
  for (auto*& r : radios) {
    r = new CButtonSSL(&parent, BS_AUTORADIOBUTTON);
    r->resize(40, 20);
  }
  auto* other = new CButtonSSL(&parent, BS_AUTORADIOBUTTON);
  other->SetGroup(1);
  other->SetCheck(true);
  radios[0]->SetCheck(true);
  for (int click : {2, 1, 1, 0}) {
    QTest::mouseClick(radios[click], Qt::LeftButton);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(radios[i]->GetCheck(), i == click ? 1 : 0) << click << " " << i;
    EXPECT_EQ(other->GetCheck(), 1);  // another group is left alone
  }
}

TEST(ButtonSSL, TheDefaultPushButtonIsDefaultAndFlatOrCheckButtonsNeverAre) {
  QWidget dialog;
  auto* ok = new COddButton(&dialog, BS_DEFPUSHBUTTON);
  auto* check = new COddButton(&dialog, BS_AUTOCHECKBOX);
  EXPECT_TRUE(ok->IsDefault());
  EXPECT_EQ(ok->GetButtonType(), BS_PUSHBUTTON);
  EXPECT_FALSE(check->CanBeDefault());
  auto* flat = new CButtonSSL(&dialog, BS_PUSHBUTTON);
  EXPECT_FALSE(flat->CanBeDefault());
  flat->SetButtonStyle(0);
  EXPECT_TRUE(flat->CanBeDefault());
  flat->SetButtonStyle(CButtonSSL::kStyleFlat | CButtonSSL::kStyleAutoSize);
  EXPECT_FALSE(flat->CanBeDefault());
}

TEST(ButtonSSL, ImagesSizeTheButtonToItsContent) {
  CAppImageLists lists;
  lists.CreateForDepth(32);
  CButtonSSL button;
  button.SetButtonStyle(CButtonSSL::kStyleFlat | CButtonSSL::kStyleAutoSize);
  button.SetImageList(lists.m_toolbarList, 0);
  EXPECT_EQ(button.size(), QSize(26 + 6, 26 + 6));
  button.SetTooltipText(QStringLiteral("Play"), false);
  EXPECT_TRUE(button.toolTip().isEmpty());
  EXPECT_EQ(button.GetTooltipText(), QStringLiteral("Play"));
  button.SetTooltipText(QStringLiteral("Play"), true);
  EXPECT_EQ(button.toolTip(), QStringLiteral("Play"));
}

// An edit asked for a number of lines shows that many whole, without a scroll bar, and one more
// line scrolls; at a larger font it grows with the lines.
TEST(MultiLineEdit, TheLinesAskedForShowWithoutAScrollBarAtEachFont) {
  const QFont defaultFont = QApplication::font();
  QFont larger = defaultFont;
  larger.setPointSizeF(defaultFont.pointSizeF() * 1.5);
  for (const int lines : {1, 2, 4}) {
    int defaultHeight = 0;
    for (const QFont& font : {defaultFont, larger}) {
      SCOPED_TRACE(std::to_string(lines) + " lines at " + std::to_string(font.pointSizeF()) + "pt");
      CMultiLineEdit edit;
      edit.setFont(font);
      edit.SetVisibleLines(lines);
      EXPECT_EQ(edit.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
      QStringList text(lines, QStringLiteral("line"));
      edit.setPlainText(text.join('\n'));
      edit.resize(300, edit.sizeHint().height());
      edit.show();
      QApplication::processEvents();
      EXPECT_FALSE(edit.verticalScrollBar()->isVisible());
      EXPECT_EQ(edit.minimumSizeHint().height(), edit.sizeHint().height());
      edit.appendPlainText(QStringLiteral("one more"));
      QApplication::processEvents();
      EXPECT_TRUE(edit.verticalScrollBar()->isVisible()) << "no more than the lines asked for";
      if (defaultHeight == 0) {
        defaultHeight = edit.height();
      } else {
        EXPECT_GT(edit.height(), defaultHeight);
      }
    }
  }
}

TEST(TitleMenu, ItemsKeepTheirIdsImagesAndOrder) {
  CAppImageLists lists;
  lists.CreateForDepth(32);
  CTitleMenu menu;
  menu.SetImageList(lists.m_menuList);
  EXPECT_TRUE(menu.AppendMenu(MF_STRING, 32723, QStringLiteral("Play"), 0));
  EXPECT_TRUE(menu.AppendMenu(MF_SEPARATOR, 0, QString(), 3));  // a separator never takes a picture
  EXPECT_TRUE(menu.AppendMenu(MF_STRING | MF_GRAYED, 32728, QStringLiteral("Copy to Clipboard"), 13));
  EXPECT_TRUE(menu.AppendMenu(MF_STRING, 32731, QStringLiteral("Send"), -1));
  EXPECT_TRUE(menu.InsertMenu(0, MF_STRING, 0x8001, QStringLiteral("First")));
  menu.SetDefaultItem(32723);
  menu.AddTitle(QStringLiteral("&Messages"));
  EXPECT_EQ(menu.ItemIds(), (std::vector<uint32_t>{CTitleMenu::kTitleId, 0x8001, 32723, 0, 32728, 32731}));
  EXPECT_EQ(menu.Title(), QStringLiteral("Messages"));
  EXPECT_EQ(menu.GetItemImage(32723), 0);
  EXPECT_EQ(menu.GetItemImage(32731), -1);
  EXPECT_TRUE(menu.FindItem(32731)->icon().isNull());
  EXPECT_FALSE(menu.FindItem(32728)->isEnabled());
  EXPECT_EQ(menu.GetDefaultItem(), 32723u);
}

// The title band: the active caption's gradient (the highlight running to the base colour) under
// the caption text colour, as wide as the bold title plus a check mark and 10 pixels, two pixels
// taller than the title, the text a check mark and 8 pixels in from the left.
TEST(TitleMenu, TheTitleBandIsTheCaptionGradientSizedToItsText) {
  CTitleMenu menu;
  menu.AddTitle(QStringLiteral("&Messages"));
  menu.Menu().popup(QPoint(0, 0));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu.Menu()));
  auto* action = qobject_cast<QWidgetAction*>(menu.FindItem(CTitleMenu::kTitleId));
  ASSERT_NE(action, nullptr);
  QWidget* band = action->defaultWidget();
  ASSERT_NE(band, nullptr);

  QFont bold = QApplication::font();
  bold.setWeight(QFont::Bold);
  const QFontMetrics metrics(bold);
  const int check = QApplication::style()->pixelMetric(QStyle::PM_IndicatorWidth);
  EXPECT_EQ(band->size(), QSize(metrics.horizontalAdvance(QStringLiteral("Messages")) + check + 10, metrics.height() + 2));

  const QPalette palette = QApplication::palette();
  const QColor start = palette.color(QPalette::Active, QPalette::Highlight);
  const QColor end = palette.color(QPalette::Active, QPalette::Base);
  const QColor text = palette.color(QPalette::Active, QPalette::HighlightedText);
  ASSERT_NE(start, text) << "the test needs a title text unlike the gradient's start";
  const QImage image = band->grab().toImage();
  const auto near = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 12 && std::abs(a.green() - b.green()) <= 12 && std::abs(a.blue() - b.blue()) <= 12;
  };
  EXPECT_TRUE(near(image.pixelColor(0, 0), start)) << image.pixelColor(0, 0).name().toStdString();
  const QPoint last(image.width() - 2, image.height() - 2);
  EXPECT_TRUE(near(image.pixelColor(last), end)) << image.pixelColor(last).name().toStdString();
  // The leftmost column that carries the title's ink.
  int firstInk = -1;
  for (int x = 0; x < image.width() && firstInk < 0; ++x) {
    for (int y = 0; y < image.height(); ++y) {
      if (near(image.pixelColor(x, y), text)) {
        firstInk = x;
        break;
      }
    }
  }
  EXPECT_GE(firstInk, check + 8);
  EXPECT_LE(firstInk, check + 8 + 3);
  menu.Menu().close();
}

TEST(TitleMenu, TrackPopupMenuReturnsTheChosenIdOrZero) {
  CTitleMenu menu;
  menu.AppendMenu(MF_STRING, 0x8007, QStringLiteral("Open Messages Window"));
  menu.AppendMenu(MF_STRING, 0x800F, QStringLiteral("Quit"));
  QTimer::singleShot(0, [&] {
    QTest::mouseClick(&menu.Menu(), Qt::LeftButton, {}, menu.Menu().actionGeometry(menu.FindItem(0x800F)).center());
  });
  EXPECT_EQ(menu.TrackPopupMenu(QPoint(10, 10)), 0x800Fu);
  QTimer::singleShot(0, [&] { menu.Menu().close(); });
  EXPECT_EQ(menu.TrackPopupMenu(QPoint(10, 10)), 0u);
}

}  // namespace
