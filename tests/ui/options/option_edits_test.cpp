// The edits every option child shares, as a user types and pastes into them on the options page:
// each number edit takes digits only, and each multi-line text counts a line break as the settings
// file stores it (two units), so what the page shows is what comes back after Apply, a restart and a
// reload. Each table runs at the default font and at a larger one.
#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <functional>
#include <memory>

#include "foundation/settings_folders.h"
#include "tests/ui/options/option_test_controls.h"
#include "tests/ui/options/options_fixture.h"
#include "tests/ui/text_fit.h"
#include "ui/options/dlg_options.h"
#include "ui/options/option_child.h"

namespace qav::test {
namespace {

class OptionEditsTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    g_AdvancedSettingMode = 1;  // every child listed
  }
  void TearDown() override {
    CDlgOptions::SetRememberedIndex(0);
    OptionsTest::TearDown();
  }
  // The options page as the sheet shows it, on the child with that dialog id.
  std::unique_ptr<CDlgOptions> Open(int dialogId) {
    auto page = std::make_unique<CDlgOptions>(sheet, nullptr);
    page->show();
    page->OnUserSelectPage(dialogId);
    EXPECT_EQ(page->CurrentChild()->DialogId(), dialogId);
    return page;
  }
  // The body for each case at each font, each time from the defaults with what the case needs
  // switched on; `where` names the case and the font.
  template <class Case, size_t N, class Body>
  void AtEachFont(const Case (&cases)[N], Body body) {
    for (const QFont& font : fonts.Both()) {
      QApplication::setFont(font);
      for (const Case& c : cases) {
        SetDefaultOptions();
        c.enable();
        body(c, c.Name() + " at " + std::to_string(font.pointSizeF()) + "pt");
      }
    }
  }
  static void Paste(QWidget* edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  }

  TestFonts fonts{1.6};
};

struct NumberEditCase {
  int dialogId;
  int editId;
  COptionInt* option;
  std::function<void()> enable;  // what the edit needs to be enabled
  std::string Name() const { return std::to_string(editId); }
};

TEST_F(OptionEditsTest, EveryNumberEditTakesDigitsOnlyTypedOrPasted) {
  const NumberEditCase cases[] = {
      {149, 1018, &g_SecB4AnsweringOnline, [] { g_AnswerAllowedOnline = 1; }},
      {149, 1021, &g_SecB4AnsweringAway, [] { g_AnswerAllowedAway = 1; }},
      {347, 1077, &g_MaxRecordingDurationSec, [] {}},
      {148, 1204, &g_MaxRecordingDurationForNonAuthSec,
       [] {
         g_UseNonAuthorizedCallerSettings = 1;
         g_DisableAnswerOfNonAuthCaller = 0;
       }},
      {344, 1022, &g_SMTPServerPort, [] {}},
      {346, 1063, &g_RcvdMsgsFolderSize, [] { g_IsRcvdMsgsFolderLimited = 1; }},
      {346, 1065, &g_RecConvsFolderSize, [] { g_IsRecConvsFolderNotified = 1; }},
  };
  AtEachFont(cases, [&](const NumberEditCase& c, const std::string& where) {
    auto page = Open(c.dialogId);
    auto* edit = Find<QLineEdit>(page->CurrentChild(), c.editId);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(edit->isEnabled()) << where;

    Type(edit, "12");
    EXPECT_EQ(*c.option, 12) << where;

    edit->selectAll();
    QTest::keyClicks(edit, "ab");  // typed over the number: refused, the number stays
    EXPECT_EQ(edit->text(), "12") << where;
    edit->end(false);
    QTest::keyClicks(edit, "-+ 4");  // no sign, no blank; the digit is taken
    EXPECT_EQ(edit->text(), "124") << where;
    QTest::keyClick(edit, Qt::Key_Backspace);
    sheet.modified = false;
    edit->selectAll();
    Paste(edit, "ab");
    EXPECT_EQ(edit->text(), "12") << where;
    edit->end(false);
    Paste(edit, "3x");  // a paste with a letter in it is refused whole
    EXPECT_EQ(edit->text(), "12") << where;
    EXPECT_EQ(*c.option, 12) << where;
    EXPECT_FALSE(sheet.modified) << where;

    Paste(edit, "3");
    EXPECT_EQ(edit->text(), "123") << where;
    EXPECT_EQ(*c.option, 123) << where;
    EXPECT_TRUE(boxes.texts.empty()) << where;
  });
}

struct TextEditCase {
  int dialogId;
  int editId;
  COptionText* option;
  const char* key;
  bool limited;  // to 250 units; the call-waiting replies have no limit of the page's
  std::function<void()> enable;
  std::string Name() const { return key; }
};

const TextEditCase kTextCases[] = {
    {347, 1037, &g_GreetingTextMsg, "GreetingTextMsg", true, [] { g_GreetingTextMsgAllowed = 1; }},
    {148, 1205, &g_GreetingTextMsgForNonAuth, "GreetingTextMsgForNonAuth", true,
     [] {
       g_UseNonAuthorizedCallerSettings = 1;
       g_DisableAnswerOfNonAuthCaller = 0;
       g_GreetingTextMsgAllowedForNonAuth = 1;
     }},
    {207, 1237, &g_RecConvTextNotificationTextMsgStart, "RecConvTextNotificationTextMsgStart", true,
     [] { g_RecConvTextNotificationStartAllowed = 1; }},
    {207, 1240, &g_RecConvTextNotificationTextMsgStop, "RecConvTextNotificationTextMsgStop", true,
     [] { g_RecConvTextNotificationStopAllowed = 1; }},
    {348, 1271, &g_RejectCallWaitingQAVTextMsg, "RejectCallWaitingQAVTextMsg", false,
     [] {
       g_RejectCallWaitingQAVEnabled = 1;
       g_RejectCallWaitingQAVTextEnabled = 1;
     }},
    {348, 1275, &g_RejectCallWaitingUserTextMsg, "RejectCallWaitingUserTextMsg", false,
     [] {
       g_RejectCallWaitingUserEnabled = 1;
       g_RejectCallWaitingUserTextEnabled = 1;
     }},
};

std::u16string Repeated(const std::u16string& line, int times) {
  std::u16string text;
  for (int i = 0; i < times; ++i) text += line;
  return text;
}

TEST_F(OptionEditsTest, EachTextCountsALineBreakAsTwoAndComesBackWholeAfterApplyARestartAndAReload) {
  // 40 lines of nine letters: 400 characters in the edit, 440 units in the file.
  const QString pasted = QString::fromStdU16String(Repeated(u"abcdefghi\n", 40));
  // What 250 units hold: 22 whole lines of 11 units and 8 letters of the next.
  const std::u16string fits = Repeated(u"abcdefghi\r\n", 22) + u"abcdefgh";
  const std::u16string whole = Repeated(u"abcdefghi\r\n", 40);
  AtEachFont(kTextCases, [&](const TextEditCase& c, const std::string& where) {
    const std::u16string expected = c.limited ? fits : whole;
    {
      auto page = Open(c.dialogId);
      auto* edit = Find<QPlainTextEdit>(page->CurrentChild(), c.editId);
      ASSERT_NE(edit, nullptr);
      ASSERT_TRUE(edit->isEnabled()) << where;
      edit->selectAll();
      Paste(edit, pasted);
      EXPECT_EQ(c.option->Get(), expected) << where;
      if (c.limited) {
        QTest::keyClick(edit, Qt::Key_X);  // full: refused
        EXPECT_EQ(c.option->Get(), fits) << where;
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Return);  // a line break needs two units, one is left
        EXPECT_EQ(c.option->Get(), fits.substr(0, 249)) << where;
        QTest::keyClick(edit, Qt::Key_H);
        EXPECT_EQ(c.option->Get(), fits) << where;
      }
      ASSERT_TRUE(page->OnApply()) << where;
    }
    SetDefaultOptions();  // a restart
    LoadSettings();
    EXPECT_EQ(c.option->Get(), expected) << where << " after a restart";
    *c.option = u"changed, then cancelled";
    LoadSettings();  // the sheet's Cancel reloads
    EXPECT_EQ(c.option->Get(), expected) << where << " after a reload";
    sheet.modified = false;
    auto page = Open(c.dialogId);
    EXPECT_EQ(Find<QPlainTextEdit>(page->CurrentChild(), c.editId)->toPlainText(),
              COptionChild::ToEditText(expected))
        << where;
    EXPECT_FALSE(sheet.modified) << where;
  });
}

TEST_F(OptionEditsTest, AStoredTextLongerThanThePageAllowsIsShownWholeAndNotMarkedModified) {
  // 333 units as stored, "/n" being a line break.
  const std::string stored = [] {
    std::string text;
    for (int i = 0; i < 30; ++i) text += "abcdefghi/n";
    return text + "end";
  }();
  const std::u16string value = Repeated(u"abcdefghi\r\n", 30) + u"end";
  AtEachFont(kTextCases, [&](const TextEditCase& c, const std::string& where) {
    std::filesystem::create_directories(dir.path() + "/data/QAV/alice");
    {
      std::ofstream file(dir.path() + "/data/QAV/alice/QAV.ini", std::ios::binary);
      file << "[Settings]\n" << c.key << "=" << stored << "\n";
    }
    LoadAnswerSettings();
    c.enable();
    ASSERT_EQ(c.option->Get(), value) << where << ": read whole";
    sheet.modified = false;
    auto page = Open(c.dialogId);
    auto* edit = Find<QPlainTextEdit>(page->CurrentChild(), c.editId);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->toPlainText(), COptionChild::ToEditText(value)) << where;
    EXPECT_EQ(c.option->Get(), value) << where;
    EXPECT_FALSE(sheet.modified) << where;

    // The user may shorten it; a limited edit takes nothing more.
    edit->moveCursor(QTextCursor::End);
    QTest::keyClick(edit, Qt::Key_X);
    EXPECT_EQ(c.option->Get(), c.limited ? value : value + u"x") << where;
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(c.option->Get(), value.substr(0, value.size() - (c.limited ? 2 : 1))) << where;
  });
}

}  // namespace
}  // namespace qav::test
