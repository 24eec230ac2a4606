#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTimer>

#include "platform/message_box.h"
#include "ui/boxes/countdown_message_box.h"
#include "ui/boxes/message_box_extra.h"

namespace {

// Runs `inside` once the modal box is open, on the GUI thread.
template <typename F>
void WhenBoxOpens(F inside) {
  QTimer::singleShot(0, [inside] {
    auto* box = dynamic_cast<CCountdownMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    inside(*box);
  });
}

TEST(MessageBoxExtra, RefusedBlocksShowNothing) {
  uint32_t value = 0;
  MSGBOXEXTRA wrongSize;
  wrongSize.cbSize = 28;
  MSGBOXEXTRA checkWithoutText;
  checkWithoutText.dwFlags = MSGBOXEXTRA_CHECKBOX;
  checkWithoutText.puValue = &value;
  MSGBOXEXTRA checkWithoutValue;
  checkWithoutValue.dwFlags = MSGBOXEXTRA_CHECKBOX;
  checkWithoutValue.pcszCheckBoxText = u"Don't ask again";
  MSGBOXEXTRA both;
  both.dwFlags = MSGBOXEXTRA_SET_POS | MSGBOXEXTRA_CENTER;
  const MSGBOXEXTRA* blocks[] = {nullptr, &wrongSize, &checkWithoutText, &checkWithoutValue, &both};
  for (const MSGBOXEXTRA* block : blocks) {
    EXPECT_EQ(MessageBoxExtra(nullptr, QStringLiteral("text"), QStringLiteral("QAV"), qav::MB_OK, block), -1);
  }
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(MessageBoxExtra, ACountdownShowsEverySecondAndClosesWithTheDefaultButton) {
  MSGBOXEXTRA extra;
  extra.dwFlags = MSGBOXEXTRA_COUNTDOWN | MSGBOXEXTRA_CENTER_TEXT;
  extra.seconds = 15;
  std::vector<QString> shown;
  WhenBoxOpens([&](CCountdownMessageBox& box) {
    shown.push_back(box.text());
    // The seconds pass here by hand: the box's own timer ticks once a second in real time.
    for (int i = 0; i < 14; ++i) {
      box.Tick();
      shown.push_back(box.text());
    }
    EXPECT_TRUE(box.isVisible());
    box.Tick();  // one second after showing 1
  });
  const int answer = MessageBoxExtra(nullptr, QStringLiteral("Thanks.\n\nThis message will close in <t> seconds"),
                                     QStringLiteral("Zarvelin QAV"), qav::MB_YESNO | qav::MB_DEFBUTTON2, &extra);
  EXPECT_EQ(answer, qav::IDNO);
  ASSERT_EQ(shown.size(), 15u);
  EXPECT_EQ(shown.front(), QStringLiteral("Thanks.\n\nThis message will close in 15 seconds"));
  EXPECT_EQ(shown.back(), QStringLiteral("Thanks.\n\nThis message will close in 1 seconds"));
}

TEST(MessageBoxExtra, ATextWithoutTheMarkStaysAsItIs) {
  EXPECT_EQ(ReplaceCountdownMark(QStringLiteral("No mark here"), 9), QStringLiteral("No mark here"));
  EXPECT_EQ(ReplaceCountdownMark(QStringLiteral("<T> and <t>"), 3), QStringLiteral("3 and 3"));
}

TEST(MessageBoxExtra, TheCheckBoxStartsAsAskedAndReportsItsState) {
  uint32_t value = 1;
  MSGBOXEXTRA extra;
  extra.dwFlags = MSGBOXEXTRA_CHECKBOX;
  extra.pcszCheckBoxText = u"Do not show again";
  extra.puValue = &value;
  WhenBoxOpens([](CCountdownMessageBox& box) {
    ASSERT_NE(box.checkBox(), nullptr);
    EXPECT_TRUE(box.checkBox()->isChecked());
    EXPECT_EQ(box.checkBox()->text(), QStringLiteral("Do not show again"));
    box.checkBox()->click();
    box.button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(MessageBoxExtra(nullptr, QStringLiteral("Notice"), QStringLiteral("QAV"), qav::MB_OKCANCEL, &extra), qav::IDOK);
  EXPECT_EQ(value, 0u);
}

TEST(MessageBoxExtra, APositionIsKeptInsideTheWorkArea) {
  const QRect area(0, 0, 800, 600);
  const QSize size(200, 100);
  struct Case {
    QPoint asked, expected;
  } cases[] = {{{10, 20}, {10, 20}}, {{-50, -10}, {0, 0}}, {{700, 550}, {600, 500}}, {{900, 50}, {600, 50}}};
  for (const Case& c : cases) EXPECT_EQ(KeepInsideWorkArea(c.asked, size, area), c.expected) << c.asked.x();
}

}  // namespace
