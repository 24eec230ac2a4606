// The application and advanced children: the language switch that replaces only unedited default
// texts, the factory reset, the advanced-mode list, and the recordings folder move (same root,
// cancel, a file that cannot move, two file systems).
#include <sys/mount.h>

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <fstream>

#include "foundation/language_list.h"
#include "platform/private_profile.h"
#include "tests/support/small_tmpfs.h"
#include "tests/ui/options/option_test_controls.h"
#include "tests/ui/options/options_fixture.h"
#include "ui/options/dlg_opt_advanced.h"
#include "ui/options/dlg_opt_application.h"
#include "ui/options/dlg_options.h"
#include "ui/options/folder_move.h"

namespace qav::test {
namespace {

namespace fs = std::filesystem;

class ApplicationPageTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    const std::string languages = dir.path() + "/Language";
    fs::create_directories(languages);
    ASSERT_EQ(LanguagesInit(qav::Utf8ToUtf16(languages), true), 1);  // writes the built-in English file
    WriteUtf16LangFile(languages + "/ZV_DE.lang",
                       u"# QAV Localization File\r\nIDS_LANGUAGE_NAME \"Deutsch\"\r\nIDS_LANGUAGE_DISPLAY_NAME \"Deutsch\"\r\n"
                       u"IDS_DEFAULT_MESSAGE_ANSWERING_MACHINE_TEXT_GREETING \"Anruf angenommen./nBitte sprechen.\"\r\n"
                       u"IDS_DEFAULT_MESSAGE_CONVERSATION_REOCRDING_TEXT_GREETING_START \"Wird aufgenommen\"\r\n");
    ASSERT_EQ(LanguagesInit(qav::Utf8ToUtf16(languages), true), 1);
    sheet.languagePath = GetLanguageFolder() + u"ZV_EN.lang";
    LoadLangLib(u"ZV_EN");
    SetDefaultOptions();
  }
  void TearDown() override {
    LanguagesTerm();
    LoadDefaultLangLib();
    CDlgOptions::SetRememberedIndex(0);
    OptionsTest::TearDown();
  }
};

TEST_F(ApplicationPageTest, ALanguageSwitchReplacesOnlyTheTextsStillReadingAsTheOldDefault) {
  g_GreetingTextMsgForNonAuth = GetLangString(650) + u" ";
  const std::u16string englishStop = GetLangString(721);
  CDlgOptApplication page(sheet, nullptr);
  page.show();
  auto* languages = Find<QComboBox>(&page, 1142);
  ASSERT_EQ(languages->count(), 2);
  EXPECT_EQ(languages->currentText(), "English");
  const int german = languages->findText("Deutsch");
  ASSERT_GE(german, 0);

  languages->setCurrentIndex(german);
  emit languages->activated(german);
  EXPECT_EQ(g_GreetingTextMsg.Get(), u"Anruf angenommen.\r\nBitte sprechen.");
  EXPECT_EQ(g_GreetingTextMsgForNonAuth.Get(), qav::Utf8ToUtf16("Call answered by QAV - Answering Machine for Skype™ users.\r\n\r\nPlease leave your voice message after the tone and hangup the call when you are done. "))
      << "one extra blank: the user's own text";
  EXPECT_EQ(g_RecConvTextNotificationTextMsgStart.Get(), u"Wird aufgenommen");
  EXPECT_EQ(g_RecConvTextNotificationTextMsgStop.Get(), englishStop) << "German has no own text: English stays";
  EXPECT_TRUE(sheet.modified);

  const std::u16string before = g_GreetingTextMsg.Get();
  emit languages->activated(german);  // the language already in use
  EXPECT_EQ(g_GreetingTextMsg.Get(), before);
}

TEST_F(ApplicationPageTest, AFactoryResetAnsweredNoDeletesNothingAndYesBringsBackTheDefaults) {
  fs::create_directories(dir.path() + "/data/QAV/alice");
  g_SecB4AnsweringOnline = 99;
  g_ShowBalloonTips = 1;
  SaveSettings();
  ASSERT_TRUE(fs::exists(qav::U8(GetIniFilePath())));
  ASSERT_TRUE(fs::exists(qav::U8(GetUserIniPath())));
  CDlgOptions options(sheet, nullptr);
  options.OnUserSelectPage(CDlgOptApplication::kDialogId);
  QWidget* page = options.CurrentChild();
  ASSERT_EQ(options.CurrentChild()->DialogId(), CDlgOptApplication::kDialogId);

  boxes.answer = IDNO;
  Click(Find<QPushButton>(page, 1184));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(943));
  EXPECT_EQ(boxes.types[0], MB_YESNO | MB_ICONEXCLAMATION);
  EXPECT_TRUE(fs::exists(qav::U8(GetUserIniPath())));
  EXPECT_EQ(g_SecB4AnsweringOnline, 99);

  boxes.answer = IDYES;
  sheet.modified = true;
  sheet.greetingLoadResult = 0;
  Click(Find<QPushButton>(page, 1184));
  EXPECT_FALSE(fs::exists(qav::U8(GetIniFilePath())));
  EXPECT_FALSE(fs::exists(qav::U8(GetUserIniPath())));
  EXPECT_EQ(g_SecB4AnsweringOnline, 15);
  EXPECT_EQ(g_ShowBalloonTips, 0);
  EXPECT_FALSE(sheet.modified) << "nothing is left to apply";
  EXPECT_EQ(sheet.greetingLoads, (std::vector<bool>{true, false}));
  ASSERT_EQ(boxes.texts.size(), 4u);
  EXPECT_EQ(boxes.texts[2], GetLangString(1020));
  EXPECT_EQ(boxes.texts[3], GetLangString(1021));

  options.OnUserSelectPage(149);
  EXPECT_EQ(Find<QLineEdit>(options.CurrentChild(), 1018)->text(), "15") << "no stale value after the reset";
}

TEST_F(ApplicationPageTest, AdvancedModeListsTheThreeMoreChildrenAndKeepsTheApplicationChildShown) {
  CDlgOptions options(sheet, nullptr);
  options.show();
  // The audio settings and the advanced children are listed in advanced mode only.
  const int basicCount = options.SelectionList()->count();
  EXPECT_EQ(options.ListIndexOf(5), -1);
  EXPECT_EQ(options.ListIndexOf(7), -1);
  options.OnUserSelectPage(CDlgOptApplication::kDialogId);
  QWidget* page = options.CurrentChild();
  for (int id : {1001, 1002, 1003, 1004, 1279}) EXPECT_FALSE(Find<QWidget>(page, id)->isVisible()) << id;
  Click(Find<QCheckBox>(page, 1005));
  EXPECT_EQ(g_AdvancedSettingMode, 1);
  EXPECT_GE(options.SelectionList()->count(), basicCount + 2);
  EXPECT_GE(options.ListIndexOf(5), 0);
  EXPECT_GE(options.ListIndexOf(7), 0);
  EXPECT_EQ(options.CurrentChild(), page);
  EXPECT_TRUE(sheet.modified);
  for (int id : {1001, 1002, 1003, 1004, 1279}) EXPECT_TRUE(Find<QWidget>(page, id)->isVisible()) << id;

  options.OnUserSelectPage(343);
  EXPECT_EQ(options.CurrentChild()->DialogId(), 343);
  options.OnUserSelectPage(CDlgOptApplication::kDialogId);
  Click(Find<QCheckBox>(page, 1005));
  EXPECT_EQ(options.SelectionList()->count(), basicCount);
  EXPECT_EQ(options.CurrentChild(), page);

  Click(Find<QCheckBox>(page, 1005));
  Click(Find<QCheckBox>(page, 1279));
  EXPECT_EQ(g_ScreenReaderFriendlyMode, 1);
  EXPECT_EQ(sheet.relocalized, 1);
  Click(Find<QPushButton>(page, 1185));
  EXPECT_EQ(sheet.updateChecks, 1);
}

class FolderMoveTest : public OptionsTest {
 protected:
  struct ChoosingSheet : FakeOptionsSheet {
    std::optional<std::u16string> ChooseFolder(QWidget*, const std::u16string&, const std::u16string&) override {
      return chosen;
    }
    std::optional<std::u16string> chosen;
  };
  void SetUp() override {
    OptionsTest::SetUp();
    fs::create_directories(dir.path() + "/data/QAV/alice");
    oldRoot = dir.path() + "/old/";
    newRoot = dir.path() + "/new";
    fs::create_directories(oldRoot + "My Received Voice Messages/alice");
    fs::create_directories(newRoot);
    g_RcvdMsgsFolderPath = qav::Utf8ToUtf16(oldRoot);
  }
  std::string Recording(const std::string& name) { return oldRoot + "My Received Voice Messages/alice/" + name; }
  std::string Moved(const std::string& name) { return newRoot + "/My Received Voice Messages/alice/" + name; }
  void Put(const std::string& path) { std::ofstream(path) << "RIFF" << path; }

  ChoosingSheet chooser;
  std::string oldRoot, newRoot;
};

TEST_F(FolderMoveTest, TheMoveAsksFirstMovesTheRecordingsAndWritesTheNewRootAtOnce) {
  Put(Recording("a.wav"));
  Put(Recording("b.wav"));
  CDlgOptAdvanced page(chooser, nullptr);
  auto* browse = Find<QWidget>(&page, 1195);

  chooser.chosen = qav::Utf8ToUtf16(oldRoot + "//");
  Click(browse);
  EXPECT_TRUE(boxes.texts.empty()) << "the same root: no question, nothing moved";

  chooser.chosen = qav::Utf8ToUtf16(newRoot);
  boxes.answer = IDCANCEL;
  Click(browse);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find(qav::Utf8ToUtf16(newRoot + "/My Received Voice Messages")), std::u16string::npos);
  EXPECT_TRUE(fs::exists(Recording("a.wav")));
  EXPECT_EQ(g_RcvdMsgsFolderPath.Get(), qav::Utf8ToUtf16(oldRoot));

  boxes.answer = IDOK;
  Click(browse);
  EXPECT_TRUE(fs::exists(Moved("a.wav")));
  EXPECT_TRUE(fs::exists(Moved("b.wav")));
  EXPECT_FALSE(fs::exists(oldRoot + "My Received Voice Messages")) << "emptied folders are removed";
  EXPECT_EQ(g_RcvdMsgsFolderPath.Get(), qav::Utf8ToUtf16(newRoot + "/"));
  EXPECT_EQ(GetPrivateProfileString(u"Settings", u"RcvdMsgsFolderPath", u"", 4096, GetUserIniPath()),
            qav::Utf8ToUtf16(newRoot + "/"))
      << "a Cancel of the sheet reloads the new root";
  EXPECT_EQ(Find<QLineEdit>(&page, 1064)->text().toStdString(), newRoot + "/My Received Voice Messages");
}

TEST_F(FolderMoveTest, AFileThatCannotMoveIsReportedAndTheOldRootStaysWhenNothingMoved) {
  Put(Recording("a.wav"));
  // A folder of the same name in the new place: the file cannot take its place.
  fs::create_directories(Moved("a.wav") + "/x");
  CDlgOptAdvanced page(chooser, nullptr);
  chooser.chosen = qav::Utf8ToUtf16(newRoot);
  Click(Find<QWidget>(&page, 1195));
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_NE(boxes.texts[1].find(qav::Utf8ToUtf16(Recording("a.wav"))), std::u16string::npos);
  EXPECT_TRUE(fs::exists(Recording("a.wav")));
  EXPECT_EQ(g_RcvdMsgsFolderPath.Get(), qav::Utf8ToUtf16(oldRoot));

  Put(Recording("b.wav"));
  Click(Find<QWidget>(&page, 1195));
  ASSERT_EQ(boxes.texts.size(), 4u);
  EXPECT_TRUE(fs::exists(Moved("b.wav")));
  EXPECT_TRUE(fs::exists(Recording("a.wav"))) << "the old folder keeps what could not move";
  EXPECT_EQ(g_RcvdMsgsFolderPath.Get(), qav::Utf8ToUtf16(newRoot + "/")) << "the recordings that moved are found";
}

TEST(FolderMove, AcrossTwoFileSystemsTheRecordingsAreCopiedWholeThenRemoved) {
  TempDir dir;
  const std::string first = dir.path() + "/first", second = dir.path() + "/second";
  fs::create_directories(first);
  fs::create_directories(second);
  const std::optional<int> code = RunOnSmallTmpfs(first, "4m", [&]() -> int {
    if (mount("tmpfs", second.c_str(), "tmpfs", 0, "size=1m") != 0) return 10;
    fs::create_directories(first + "/My Received Voice Messages/alice/sub");
    std::ofstream(first + "/My Received Voice Messages/alice/m.wav") << std::string(5000, 'x');
    std::ofstream(first + "/My Received Voice Messages/alice/sub/n.wav") << "n";
    std::ofstream(second + "/keep.txt") << "k";
    CFolderMoveResult result;
    MoveFolderRecursive(qav::Utf8ToUtf16(first + "/My Received Voice Messages"),
                        qav::Utf8ToUtf16(second + "/My Received Voice Messages"), 2, result);
    if (!result.failed.empty() || result.moved != 2) return 11;
    if (fs::file_size(second + "/My Received Voice Messages/alice/m.wav") != 5000) return 12;
    if (!fs::exists(second + "/My Received Voice Messages/alice/sub/n.wav")) return 13;
    if (fs::exists(first + "/My Received Voice Messages")) return 14;
    for (const auto& entry : fs::recursive_directory_iterator(second)) {
      if (entry.path().string().find(".qavmove") != std::string::npos) return 15;
    }
    // A medium too small for the file: the copy fails and the original stays whole.
    std::ofstream(first + "/big.wav") << std::string(1500 * 1024, 'y');
    fs::create_directories(first + "/from");
    fs::rename(first + "/big.wav", first + "/from/big.wav");
    CFolderMoveResult full;
    MoveFolderRecursive(qav::Utf8ToUtf16(first + "/from"), qav::Utf8ToUtf16(second + "/to"), 1, full);
    if (full.failed.size() != 1 || fs::file_size(first + "/from/big.wav") != 1500 * 1024) return 16;
    if (fs::exists(second + "/to/big.wav") || fs::exists(second + "/to/big.wav.qavmove")) return 17;
    return 0;
  });
  if (!code) GTEST_SKIP() << "no mount namespace here";
  EXPECT_EQ(*code, 0);
}

}  // namespace
}  // namespace qav::test
