// The greeting children: the chosen greeting file rebuilt in memory (portable mode asks for one on
// the program's file system), the text greeting with CR LF and its reset, the length limit, the
// e-mail switches, and the unknown caller's own-settings switches.
#include <QCheckBox>
#include <QPlainTextEdit>

#include "tests/ui/option_test_controls.h"
#include "tests/ui/options_fixture.h"
#include "ui/button_ssl.h"
#include "ui/dlg_opt_default_caller.h"
#include "ui/dlg_opt_unknown_caller.h"

namespace qav::test {
namespace {

struct ChoosingSheet : FakeOptionsSheet {
  std::optional<std::u16string> ChooseOpenFile(QWidget*, const std::u16string&, const std::u16string&,
                                               const std::u16string&) override {
    return chosen;
  }
  std::optional<std::u16string> chosen;
};

class GreetingPagesTest : public OptionsTest {
 protected:
  void TearDown() override {
    g_RemovableMode = false;
    OptionsTest::TearDown();
  }
  ChoosingSheet chooser;
};

TEST_F(GreetingPagesTest, AChosenGreetingIsRebuiltInMemoryAndAFailureIsReported) {
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  chooser.chosen = qav::Utf8ToUtf16(dir.File("hello.wav"));
  Click(Find<CButtonSSL>(&page, 1198));
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), *chooser.chosen);
  EXPECT_EQ(chooser.greetingLoads, std::vector<bool>{true});
  EXPECT_TRUE(chooser.modified);
  EXPECT_TRUE(boxes.texts.empty());
  EXPECT_EQ(Find<QLineEdit>(&page, 1013)->text().toStdU16String(), *chooser.chosen);

  chooser.chosen = qav::Utf8ToUtf16(dir.File("broken.wav"));
  chooser.greetingLoadResult = 0;
  Click(Find<CButtonSSL>(&page, 1198));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(1020));
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), *chooser.chosen) << "the choice stays; the user is told to choose anew";

  chooser.modified = false;
  chooser.chosen.reset();
  Click(Find<CButtonSSL>(&page, 1198));
  EXPECT_FALSE(chooser.modified) << "cancelled";
}

TEST_F(GreetingPagesTest, InPortableModeAGreetingOnAnotherFileSystemIsRefused) {
  g_RemovableMode = true;
  SetAppDrive(u"/media/qav-stick-that-is-not-mounted");
  CDlgOptUnknownCaller page(chooser, nullptr);
  page.show();
  g_UseNonAuthorizedCallerSettings = 1;
  g_DisableAnswerOfNonAuthCaller = 0;
  page.UpdateDlg();
  const std::u16string before = g_GreetingSoundMsgPathForNonAuth.Get();
  chooser.chosen = qav::Utf8ToUtf16(dir.File("elsewhere.wav"));
  Click(Find<CButtonSSL>(&page, 1200));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(2172) + u"\r\n" + GetLangString(2170));
  EXPECT_EQ(g_GreetingSoundMsgPathForNonAuth.Get(), before);
  EXPECT_TRUE(chooser.greetingLoads.empty());
  SetAppDrive(u"");
}

TEST_F(GreetingPagesTest, TextLengthAndMailSwitchesFollowTheRules) {
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  g_GreetingTextMsgAllowed = 1;
  page.UpdateDlg();
  EXPECT_FALSE(chooser.modified);
  auto* text = Find<QPlainTextEdit>(&page, 1037);
  text->setPlainText("Hello\nthere");
  EXPECT_EQ(g_GreetingTextMsg.Get(), u"Hello\r\nthere");
  Click(Find<CButtonSSL>(&page, 1284));
  EXPECT_EQ(g_GreetingTextMsg.Get(), GetLangString(650));
  Click(Find<QCheckBox>(&page, 1020));
  EXPECT_FALSE(text->isEnabled());
  EXPECT_FALSE(Find<CButtonSSL>(&page, 1284)->isEnabled());

  auto* length = Find<QLineEdit>(&page, 1077);
  length->setText("36000");
  EXPECT_EQ(g_MaxRecordingDurationSec, 36000);
  length->setText("36001");
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], qav::Format(GetLangString(620), 36000));
  EXPECT_EQ(length->text(), "36000");
  length->setText("0");
  EXPECT_EQ(g_MaxRecordingDurationSec, 0);

  g_EMailNotificationAllowed = 0;
  g_SMTPServerAddress = u"";
  page.UpdateDlg();
  EXPECT_FALSE(Find<QCheckBox>(&page, 1173)->isEnabled());
  Click(Find<QCheckBox>(&page, 1172));
  EXPECT_EQ(g_EMailNotificationAllowed, 1) << "the switch stays on";
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[1], GetLangString(837));
  EXPECT_TRUE(Find<QCheckBox>(&page, 1173)->isEnabled());
  g_EMailAttachmentAllowed = 0;
  page.UpdateDlg();
  EXPECT_FALSE(Find<QCheckBox>(&page, 1233)->isEnabled());
  Click(Find<QCheckBox>(&page, 1173));
  EXPECT_TRUE(Find<QCheckBox>(&page, 1233)->isEnabled());
  const int deleteBefore = g_AutoDelMsgAfterEMailAllowed;
  Click(Find<QCheckBox>(&page, 1233));
  EXPECT_EQ(g_AutoDelMsgAfterEMailAllowed, deleteBefore ? 0 : 1);
}

TEST_F(GreetingPagesTest, TheUnknownCallersGreetingControlsNeedOwnSettingsThatStillAnswer) {
  g_UseNonAuthorizedCallerSettings = 0;
  g_DisableAnswerOfNonAuthCaller = 0;
  CDlgOptUnknownCaller page(chooser, nullptr);
  page.show();
  EXPECT_FALSE(Find<QCheckBox>(&page, 1203)->isEnabled());
  EXPECT_FALSE(Find<QLineEdit>(&page, 1204)->isEnabled());
  Click(Find<QCheckBox>(&page, 1202));
  EXPECT_EQ(g_UseNonAuthorizedCallerSettings, 1);
  EXPECT_TRUE(Find<QCheckBox>(&page, 1203)->isEnabled());
  EXPECT_TRUE(Find<QLineEdit>(&page, 1204)->isEnabled());
  Click(Find<QCheckBox>(&page, 1203));
  EXPECT_EQ(g_DisableAnswerOfNonAuthCaller, 1);
  EXPECT_FALSE(Find<QLineEdit>(&page, 1204)->isEnabled());
  EXPECT_FALSE(Find<CButtonSSL>(&page, 1200)->isEnabled());
}

}  // namespace
}  // namespace qav::test
