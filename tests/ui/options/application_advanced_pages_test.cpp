// The application and advanced children: the language switch that replaces only unedited default
// texts, the factory reset (the recording folders kept, every child at its default), the
// advanced-mode list, and the recordings folder move (same root, cancel, the moves refused before
// anything moves, a call being recorded, files that cannot move, two file systems).
#include <sys/mount.h>

#include <QComboBox>
#include <QCursor>
#include <QListWidget>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "foundation/language_list.h"
#include "platform/private_profile.h"
#include "tests/support/call_model_fixture.h"
#include "tests/support/small_tmpfs.h"
#include "tests/ui/options/option_test_controls.h"
#include "tests/ui/options/options_fixture.h"
#include "ui/options/dlg_opt_advanced.h"
#include "ui/options/dlg_opt_application.h"
#include "ui/options/dlg_options.h"
#include "ui/options/folder_move.h"
#include "ui/recordings/dlg_conversation.h"
#include "ui/recordings/dlg_messages.h"
#include "ui/samples/sample_recordings.h"
#include "ui/samples/sample_sheet_services.h"
#include "tests/ui/recordings/list_view_rows.h"

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
  auto* languages = Find<QComboBox>(&page, "language");
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
  Click(Find<QPushButton>(page, "resetToFactoryDefaults"));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(943));
  EXPECT_EQ(boxes.types[0], MB_YESNO | MB_ICONEXCLAMATION);
  EXPECT_TRUE(fs::exists(qav::U8(GetUserIniPath())));
  EXPECT_EQ(g_SecB4AnsweringOnline, 99);

  boxes.answer = IDYES;
  sheet.modified = true;
  sheet.greetingLoadSucceeds = false;
  Click(Find<QPushButton>(page, "resetToFactoryDefaults"));
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
  EXPECT_EQ(Find<QLineEdit>(options.CurrentChild(), "secondsOnline")->text(), "15") << "no stale value after the reset";
}

TEST_F(ApplicationPageTest, AFactoryResetKeepsTheRecordingFoldersAndShowsTheDefaultsOnEveryChildAtOnce) {
  fs::create_directories(dir.path() + "/data/QAV/alice");
  const std::u16string messagesRoot = qav::Utf8ToUtf16(dir.path() + "/moved messages/");
  const std::u16string conversationsRoot = qav::Utf8ToUtf16(dir.path() + "/moved conversations/");
  g_RcvdMsgsFolderPath = messagesRoot;
  g_RecConvsFolderPath = conversationsRoot;
  g_AdvancedSettingMode = 1;
  g_IsRcvdMsgsFolderLimited = 1;
  g_SecB4AnsweringOnline = 99;
  SaveSettings();
  CDlgOptions options(sheet, nullptr);
  options.show();
  const int advancedCount = options.SelectionList()->count();
  options.OnUserSelectPage(CDlgOptApplication::kDialogId);
  QWidget* page = options.CurrentChild();

  boxes.answer = IDYES;
  Click(Find<QPushButton>(page, "resetToFactoryDefaults"));
  EXPECT_EQ(options.CurrentChild(), page);
  EXPECT_TRUE(page->isVisible()) << "the page the user pressed Reset on stays shown";
  EXPECT_FALSE(Find<QCheckBox>(page, "advancedMode")->isChecked());
  EXPECT_LT(options.SelectionList()->count(), advancedCount) << "basic mode lists fewer children";
  EXPECT_EQ(options.SelectionList()->currentRow(), options.ListIndexOf(CDlgOptions::kApplicationSlot));
  // The advanced child, though basic mode no longer lists it.
  EXPECT_EQ(Find<QLineEdit>(&options, "messagesLocation")->text().toStdU16String(), messagesRoot + u"My Received Voice Messages");
  EXPECT_FALSE(Find<QCheckBox>(&options, "messagesSizeLimited")->isChecked());
  EXPECT_EQ(sheet.Asked(u"re-localise"), 1) << "the other pages and the tab titles follow the defaults";
  EXPECT_EQ(GetMessagesRootFolder(), messagesRoot) << "the recordings stay where they are, and listed";
  EXPECT_EQ(GetConversationsRootFolder(), conversationsRoot);

  // What a restart reads back.
  SetDefaultOptions();
  LoadSettings();
  EXPECT_EQ(g_RcvdMsgsFolderPath.Get(), messagesRoot);
  EXPECT_EQ(g_RecConvsFolderPath.Get(), conversationsRoot);
  EXPECT_EQ(g_SecB4AnsweringOnline, 15);
  EXPECT_EQ(g_IsRcvdMsgsFolderLimited, 0);
  EXPECT_EQ(g_AdvancedSettingMode, 0);
}

TEST_F(ApplicationPageTest, AResetWithNoUserKnownDeletesOnlyTheGlobalFileAndLeavesTheUsersFolders) {
  fs::create_directories(dir.path() + "/data/QAV/alice");
  g_RcvdMsgsFolderPath = qav::Utf8ToUtf16(dir.path() + "/moved/");
  g_ShowBalloonTips = 1;
  SaveSettings();
  const std::u16string userFile = GetUserIniPath();
  user.clear();
  CDlgOptApplication page(sheet, nullptr);
  boxes.answer = IDYES;
  Click(Find<QPushButton>(&page, "resetToFactoryDefaults"));
  EXPECT_FALSE(fs::exists(qav::U8(GetIniFilePath())));
  EXPECT_EQ(g_ShowBalloonTips, 0);
  EXPECT_EQ(GetPrivateProfileString(u"Settings", u"RcvdMsgsFolderPath", u"", 4096, userFile),
            qav::Utf8ToUtf16(dir.path() + "/moved/"))
      << "the user's own file is not touched";
}

// Switching advanced mode builds the list anew and starts it again at its first entry, whose child
// is shown; the application child's own advanced switches follow the mode.
TEST_F(ApplicationPageTest, AdvancedModeListsTheThreeMoreChildrenAndStartsTheListAgainAtItsFirstEntry) {
  CDlgOptions options(sheet, nullptr);
  options.show();
  const int basicCount = options.SelectionList()->count();
  for (int slot : {3, 5, 7}) EXPECT_EQ(options.ListIndexOf(slot), -1) << slot;
  const char* advancedOnly[] = {"startWithDesktopLogin", "startCallClient", "restoreOnNewMessage", "balloonTips",
                                "screenReaderMode"};
  options.OnUserSelectPage(CDlgOptApplication::kDialogId);
  QWidget* page = options.CurrentChild();
  for (const char* name : advancedOnly) EXPECT_FALSE(Find<QWidget>(page, name)->isVisible()) << name;
  const auto expectFirstEntryShown = [&](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(options.SelectionList()->currentRow(), 0);
    EXPECT_EQ(options.CurrentChild(), options.Child(0));
    EXPECT_TRUE(options.Child(0)->isVisible());
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(CDlgOptions::RememberedIndex(), 0) << "the sheet reopens on it";
    EXPECT_TRUE(sheet.modified);
  };

  Click(Find<QCheckBox>(page, "advancedMode"));
  EXPECT_EQ(g_AdvancedSettingMode, 1);
  EXPECT_EQ(options.SelectionList()->count(), basicCount + 3);
  for (int slot : {3, 5, 7}) EXPECT_GE(options.ListIndexOf(slot), 0) << slot;
  expectFirstEntryShown("advanced on");
  options.OnUserSelectPage(CDlgOptApplication::kDialogId);
  EXPECT_TRUE(Find<QCheckBox>(page, "advancedMode")->isChecked());
  for (const char* name : advancedOnly) EXPECT_TRUE(Find<QWidget>(page, name)->isVisible()) << name;

  // Off again while an advanced-only child was shown last.
  options.OnUserSelectPage(343);
  EXPECT_EQ(options.CurrentChild()->DialogId(), 343);
  options.OnUserSelectPage(CDlgOptApplication::kDialogId);
  sheet.modified = false;
  Click(Find<QCheckBox>(page, "advancedMode"));
  EXPECT_EQ(g_AdvancedSettingMode, 0);
  EXPECT_EQ(options.SelectionList()->count(), basicCount);
  expectFirstEntryShown("advanced off");

  options.OnUserSelectPage(CDlgOptApplication::kDialogId);
  Click(Find<QCheckBox>(page, "advancedMode"));
  options.OnUserSelectPage(CDlgOptApplication::kDialogId);
  Click(Find<QCheckBox>(page, "screenReaderMode"));
  EXPECT_EQ(g_ScreenReaderFriendlyMode, 1);
  EXPECT_EQ(sheet.Asked(u"re-localise"), 1);
}

// The application frame lists its switches, then the language row with the edit button at its
// end (below it, with its caption, in screen-reader mode); the update and reset frames follow.
TEST_F(ApplicationPageTest, TheRowsKeepTheirOrderAndAlignmentInEitherMode) {
  g_AdvancedSettingMode = 1;
  for (int screenReader : {0, 1}) {
    SCOPED_TRACE(screenReader ? "screen reader" : "pictures");
    g_ScreenReaderFriendlyMode = screenReader;
    CDlgOptApplication page(sheet, nullptr);
    page.show();
    QApplication::processEvents();
    const auto at = [&page](const char* name) {
      auto* control = Find<QWidget>(&page, name);
      return control == nullptr ? QRect() : QRect(control->mapTo(&page, QPoint(0, 0)), control->size());
    };
    const char* switches[] = {"advancedMode", "startWithDesktopLogin", "startCallClient", "restoreOnNewMessage",
                              "balloonTips", "screenReaderMode", "languageLabel"};
    for (size_t i = 1; i < std::size(switches); ++i) {
      EXPECT_LT(at(switches[i - 1]).bottom(), at(switches[i]).top()) << switches[i];
      EXPECT_EQ(at(switches[i - 1]).left(), at(switches[i]).left()) << switches[i];
    }
    const QRect label = at("languageLabel"), language = at("language"), edit = at("editLanguageFile");
    EXPECT_LT(label.right(), language.left());
    EXPECT_EQ(label.center().y(), language.center().y());
    if (screenReader != 0) {
      EXPECT_LT(language.bottom(), edit.top()) << "a line of its own";
      EXPECT_EQ(edit.left(), label.left());
    } else {
      EXPECT_LT(language.right(), edit.left()) << "at the row's end";
    }
    EXPECT_LT(at("applicationGroup").bottom(), at("updatesGroup").top());
    EXPECT_LT(at("updatesGroup").bottom(), at("factoryDefaultsGroup").top());
    EXPECT_LT(at("checkForUpdatesNow").right(), at("majorVersionsOnly").left());
    EXPECT_LT(at("factoryDefaultsText").right(), at("resetToFactoryDefaults").left());
    EXPECT_TRUE(at("factoryDefaultsGroup").contains(at("resetToFactoryDefaults")));
  }
}

// "Check Now" asks for the check under the wait cursor; the cursor is back once it is asked.
TEST_F(ApplicationPageTest, CheckNowAsksForTheUpdateCheckUnderTheWaitCursor) {
  struct CursorSheet : FakeOptionsSheet {
    void CheckForUpdatesNow() override {
      FakeOptionsSheet::CheckForUpdatesNow();
      const QCursor* cursor = QApplication::overrideCursor();
      shapes.push_back(cursor != nullptr ? cursor->shape() : Qt::ArrowCursor);
    }
    std::vector<Qt::CursorShape> shapes;
  } cursorSheet;
  CDlgOptApplication page(cursorSheet, nullptr);
  page.show();
  Click(Find<QPushButton>(&page, "checkForUpdatesNow"));
  EXPECT_EQ(cursorSheet.Asked(u"check for updates"), 1);
  EXPECT_EQ(cursorSheet.shapes, std::vector<Qt::CursorShape>{Qt::WaitCursor});
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

class AdvancedPageTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    fs::create_directories(dir.path() + "/data/QAV/alice");
    g_AdvancedSettingMode = 1;
  }
  void TearDown() override {
    CDlgOptions::SetRememberedIndex(0);
    OptionsTest::TearDown();
  }
  // What a restart reads back.
  static void Restart() {
    SetDefaultOptions();
    LoadSettings();
  }
};

// Each folder's frame reads as before: the location, its browse button at the row's end, the
// limit row, the current size lined up under the location; the frames one under another. In
// screen-reader mode the browse button, with its caption, has a line of its own below the location.
TEST_F(AdvancedPageTest, TheFolderRowsKeepTheirOrderAndAlignmentInEitherMode) {
  for (int screenReader : {0, 1}) {
    SCOPED_TRACE(screenReader ? "screen reader" : "pictures");
    g_ScreenReaderFriendlyMode = screenReader;
    CDlgOptAdvanced page(sheet, nullptr);
    page.show();
    QApplication::processEvents();
    const auto at = [&page](const std::string& name) {
      auto* control = Find<QWidget>(&page, name.c_str());
      return control == nullptr ? QRect() : QRect(control->mapTo(&page, QPoint(0, 0)), control->size());
    };
    int frameBottom = -1;
    for (const std::string kind : {"messages", "conversations"}) {
      SCOPED_TRACE(kind);
      const QRect group = at(kind + "Group"), label = at(kind + "LocationLabel"), location = at(kind + "Location"),
                  browse = at(kind + "Browse"), limited = at(kind + "SizeLimited"), size = at(kind + "SizeLimit"),
                  unit = at(kind + "SizeLimitUnit"), currentLabel = at(kind + "CurrentSizeLabel"),
                  current = at(kind + "CurrentSize");
      EXPECT_GT(group.top(), frameBottom) << "below the frame before";
      frameBottom = group.bottom();
      EXPECT_LT(label.right(), location.left());
      EXPECT_EQ(current.left(), location.left()) << "the current size under the location";
      EXPECT_EQ(currentLabel.left(), label.left());
      EXPECT_EQ(limited.left(), label.left());
      EXPECT_LT(limited.right(), size.left());
      EXPECT_LT(size.right(), unit.left());
      EXPECT_EQ(size.center().y(), limited.center().y());
      EXPECT_LT(location.bottom(), limited.top());
      EXPECT_LT(limited.bottom(), currentLabel.top());
      EXPECT_TRUE(group.contains(browse));
      if (screenReader != 0) {
        EXPECT_LT(location.bottom(), browse.top()) << "a line of its own";
        EXPECT_LT(browse.bottom(), limited.top());
        EXPECT_EQ(browse.left(), label.left());
      } else {
        EXPECT_LT(location.right(), browse.left()) << "at the row's end";
        EXPECT_LT(std::abs(browse.center().y() - location.center().y()), 3);
      }
    }
    const QRect confirm = at("deleteConfirmationGroup");
    EXPECT_GT(confirm.top(), frameBottom);
    EXPECT_LT(at("messagesDeleteConfirmation").bottom(), at("conversationsDeleteConfirmation").top());
  }
}

// The two folder-size limits: digits only, each edit in use only while its box is on, no limit
// on the number (megabytes), and what Apply stores comes back after a restart.
TEST_F(AdvancedPageTest, TheSizeLimitsTakeDigitsFollowTheirBoxesAndComeBackAfterApplyAndARestart) {
  struct Limit {
    const char* box;
    const char* edit;
    COptionInt* on;
    COptionInt* megabytes;
  };
  const Limit limits[] = {{"messagesSizeLimited", "messagesSizeLimit", &g_IsRcvdMsgsFolderLimited, &g_RcvdMsgsFolderSize},
                          {"conversationsSizeLimited", "conversationsSizeLimit", &g_IsRecConvsFolderNotified,
                           &g_RecConvsFolderSize}};
  {
    CDlgOptions options(sheet, nullptr);
    options.show();
    options.OnUserSelectPage(CDlgOptAdvanced::kDialogId);
    QWidget* page = options.CurrentChild();
    for (const Limit& limit : limits) {
      SCOPED_TRACE(limit.edit);
      auto* box = Find<QCheckBox>(page, limit.box);
      auto* edit = Find<QLineEdit>(page, limit.edit);
      EXPECT_FALSE(box->isChecked());
      EXPECT_FALSE(edit->isEnabled()) << "no limit, nothing to type";
      EXPECT_EQ(edit->text(), "0");
      sheet.modified = false;
      Click(box);
      EXPECT_EQ(limit.on->Get(), 1);
      EXPECT_TRUE(sheet.modified);
      ASSERT_TRUE(edit->isEnabled());
      Type(edit, "2x5");
      EXPECT_EQ(edit->text(), "25") << "a letter never reaches the edit";
      EXPECT_EQ(limit.megabytes->Get(), 25);
      Type(edit, "21474836470");
      EXPECT_EQ(edit->text().toStdString(), "2147483647") << "the key that would make more than the setting holds is refused";
      EXPECT_EQ(limit.megabytes->Get(), 2147483647);
      Type(edit, "70000");
      EXPECT_EQ(limit.megabytes->Get(), 70000) << "the size has no upper limit";
      Click(box);
      EXPECT_EQ(limit.on->Get(), 0);
      EXPECT_FALSE(edit->isEnabled());
      EXPECT_EQ(edit->text(), "70000") << "the number stays for the next time";
      Click(box);
    }
    EXPECT_TRUE(boxes.texts.empty()) << "nothing is refused";
    Type(Find<QLineEdit>(page, "conversationsSizeLimit"), "512");
    EXPECT_TRUE(options.OnApply());
    EXPECT_FALSE(sheet.modified);
  }
  Restart();
  EXPECT_EQ(g_IsRcvdMsgsFolderLimited, 1);
  EXPECT_EQ(g_RcvdMsgsFolderSize, 70000);
  EXPECT_EQ(g_IsRecConvsFolderNotified, 1);
  EXPECT_EQ(g_RecConvsFolderSize, 512);
  CDlgOptAdvanced page(sheet, nullptr);
  EXPECT_EQ(Find<QLineEdit>(&page, "messagesSizeLimit")->text(), "70000");
  EXPECT_EQ(Find<QLineEdit>(&page, "conversationsSizeLimit")->text(), "512");
  EXPECT_TRUE(Find<QCheckBox>(&page, "conversationsSizeLimited")->isChecked());
  EXPECT_TRUE(Find<QLineEdit>(&page, "conversationsSizeLimit")->isEnabled());
}

// A number the settings file holds beyond an edit's limit (an older version, a hand-edited file)
// shows as stored when the sheet opens, and asks nothing: only what the user types is judged.
TEST_F(AdvancedPageTest, ANumberStoredBeyondItsLimitShowsAsStoredWithoutABoxWhenTheSheetOpens) {
  SaveSettings();
  for (const char16_t* delay : {u"500", u"-1"}) {
    SCOPED_TRACE(qav::U8(delay));
    ASSERT_TRUE(WritePrivateProfileString(u"Settings", u"SecB4AnsweringOnline", delay, GetUserIniPath()));
    ASSERT_TRUE(WritePrivateProfileString(u"Settings", u"RcvdMsgsFolderSize", u"2147483647", GetUserIniPath()));
    Restart();
    ASSERT_EQ(g_SecB4AnsweringOnline.Get(), DecimalTextToInt(QString::fromStdU16String(delay)));
    boxes.texts.clear();
    CSampleSheetServices services(u"alice");
    OptionsOnlySheet shown(services);
    CDlgOptions* options = shown.options->Options();
    options->OnUserSelectPage(149);
    QApplication::processEvents();
    auto* seconds = Find<QLineEdit>(options->CurrentChild(), "secondsOnline");
    EXPECT_EQ(seconds->text().toStdU16String(), delay);
    options->OnUserSelectPage(CDlgOptAdvanced::kDialogId);
    QApplication::processEvents();
    EXPECT_EQ(Find<QLineEdit>(options->CurrentChild(), "messagesSizeLimit")->text(), "2147483647");
    EXPECT_TRUE(boxes.texts.empty()) << qav::U8(boxes.texts.empty() ? u"" : boxes.texts[0]);
    EXPECT_FALSE(shown.options->IsModified());

    // What the user puts in beyond the limit is refused, and the stored number shown again.
    seconds->setText("181");
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(seconds->text().toStdU16String(), delay);
    EXPECT_EQ(boxes.texts.size(), 1u) << "putting the stored number back asks nothing";
    Type(seconds, "30");
    EXPECT_EQ(g_SecB4AnsweringOnline, 30);
  }
}

// The delete confirmations the page sets are the questions the recordings pages ask: with one on,
// Delete asks first, a No deletes nothing and a Yes deletes the recording's files; with it off,
// Delete deletes at once. Real files in the test's folder, checked on disk.
class DeleteConfirmationTest : public CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SignIn(u"me");
    qav::SetMessageBoxHandler(&boxes);
  }
  void TearDown() override {
    qav::SetMessageBoxHandler(nullptr);
    CallModelFixture::TearDown();
  }
  // Sets a confirmation as the user does, on the advanced page.
  void Confirm(const char* name, bool on) {
    CDlgOptAdvanced page(sheet, nullptr);
    page.show();
    auto* box = Find<QCheckBox>(&page, name);
    if (box->isChecked() != on) Click(box);
    ASSERT_EQ(box->isChecked(), on);
  }
  fs::path MessageFile(const CMessage* message) const {
    return fs::path(qav::U8(g_MessageCollection.GetMessagesFolder() + message->GetFileName()));
  }
  static fs::path ConversationFile(const std::u16string& name) {
    return fs::path(qav::U8(g_ConversationCollection.GetConversationsFolder() + name));
  }
  // Delete on the page's first row, with the question answered `answer`; the boxes it showed.
  template <class Page>
  std::vector<std::u16string> DeleteFirstRow(Page& page, int answer) {
    boxes.texts.clear();
    boxes.captions.clear();
    boxes.types.clear();
    boxes.answer = answer;
    qav::test::SelectRows(page.List(), {0});
    page.DeleteSelected();
    return boxes.texts;
  }
  // One question, opening so, captioned "QAV", with OK, Cancel and the exclamation icon.
  void ExpectAsked(const std::vector<std::u16string>& asked, std::u16string_view opening) const {
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].rfind(opening, 0), 0u) << qav::U8(asked[0]);
    EXPECT_EQ(boxes.captions[0], u"QAV");
    EXPECT_EQ(boxes.types[0], qav::MB_OKCANCEL | qav::MB_ICONEXCLAMATION);
  }

  FakeOptionsSheet sheet;
  ScriptedBoxes boxes;
  CSampleSheetServices services;
};

TEST_F(DeleteConfirmationTest, AVoiceMessageIsDeletedOnlyAfterAYesWhileItsConfirmationIsOn) {
  CMessage* message = qav::samples::AddSampleVoiceMessage(1, {u"ann.h", u"Ann"}, 10, false);
  ASSERT_NE(message, nullptr);
  const fs::path file = MessageFile(message);
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "RIFF";
  CDlgMessages page(services);
  page.OnSetActive();

  Confirm("messagesDeleteConfirmation", true);
  EXPECT_EQ(g_VoiceMsgDeleteConfirmation, 1);
  ExpectAsked(DeleteFirstRow(page, qav::IDCANCEL), u"Going to delete message from Ann, received on ");
  EXPECT_TRUE(fs::exists(file)) << "a No deletes nothing";
  EXPECT_EQ(g_MessageCollection.GetCount(), 1u);
  ExpectAsked(DeleteFirstRow(page, qav::IDOK), u"Going to delete message from Ann, received on ");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(g_MessageCollection.GetCount(), 0u);

  Confirm("messagesDeleteConfirmation", false);
  EXPECT_EQ(g_VoiceMsgDeleteConfirmation, 0);
  CMessage* next = qav::samples::AddSampleVoiceMessage(2, {u"bea.h", u"Bea"}, 10, false);
  const fs::path nextFile = MessageFile(next);
  std::ofstream(nextFile) << "RIFF";
  page.RebuildList();
  EXPECT_TRUE(DeleteFirstRow(page, qav::IDCANCEL).empty()) << "no question";
  EXPECT_FALSE(fs::exists(nextFile));
}

TEST_F(DeleteConfirmationTest, AConversationIsDeletedWithItsSideFileOnlyAfterAYesWhileItsConfirmationIsOn) {
  CConversation* conversation = qav::samples::AddSampleConversation(1700000000, 30, {{u"ann", u"Ann"}});
  ASSERT_NE(conversation, nullptr);
  const fs::path audio = ConversationFile(conversation->GetAudioFileName());
  const fs::path side = ConversationFile(conversation->GetDataFileName());
  std::ofstream(audio) << "RIFF";
  ASSERT_TRUE(fs::exists(side));
  CDlgConversation page(services);
  page.OnSetActive();

  Confirm("conversationsDeleteConfirmation", true);
  EXPECT_EQ(g_ConversationDeleteConfirmation, 1);
  ExpectAsked(DeleteFirstRow(page, qav::IDNO), u"Going to delete conversation recorded on ");
  EXPECT_TRUE(fs::exists(audio)) << "a No deletes nothing";
  EXPECT_TRUE(fs::exists(side));
  EXPECT_TRUE(g_ConversationCollection.Contains(conversation));
  ExpectAsked(DeleteFirstRow(page, qav::IDOK), u"Going to delete conversation recorded on ");
  EXPECT_FALSE(fs::exists(audio));
  EXPECT_FALSE(fs::exists(side));
  EXPECT_EQ(g_ConversationCollection.GetCount(), 0u);

  Confirm("conversationsDeleteConfirmation", false);
  EXPECT_EQ(g_ConversationDeleteConfirmation, 0);
  CConversation* next = qav::samples::AddSampleConversation(1700000600, 30, {{u"bob", u"Bob"}});
  const fs::path nextAudio = ConversationFile(next->GetAudioFileName());
  const fs::path nextSide = ConversationFile(next->GetDataFileName());
  std::ofstream(nextAudio) << "RIFF";
  page.RebuildList();
  EXPECT_TRUE(DeleteFirstRow(page, qav::IDCANCEL).empty()) << "no question";
  EXPECT_FALSE(fs::exists(nextAudio));
  EXPECT_FALSE(fs::exists(nextSide));
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
  auto* browse = Find<QWidget>(&page, "messagesBrowse");

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
  EXPECT_EQ(Find<QLineEdit>(&page, "messagesLocation")->text().toStdString(), newRoot + "/My Received Voice Messages");
}

TEST_F(FolderMoveTest, AFileThatCannotMoveIsReportedAndTheOldRootStaysWhenNothingMoved) {
  Put(Recording("a.wav"));
  // A folder of the same name in the new place: the file cannot take its place.
  fs::create_directories(Moved("a.wav") + "/x");
  CDlgOptAdvanced page(chooser, nullptr);
  chooser.chosen = qav::Utf8ToUtf16(newRoot);
  Click(Find<QWidget>(&page, "messagesBrowse"));
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_NE(boxes.texts[1].find(qav::Utf8ToUtf16(Recording("a.wav"))), std::u16string::npos);
  EXPECT_TRUE(fs::exists(Recording("a.wav")));
  EXPECT_EQ(g_RcvdMsgsFolderPath.Get(), qav::Utf8ToUtf16(oldRoot));

  Put(Recording("b.wav"));
  Click(Find<QWidget>(&page, "messagesBrowse"));
  ASSERT_EQ(boxes.texts.size(), 4u);
  EXPECT_TRUE(fs::exists(Moved("b.wav")));
  EXPECT_TRUE(fs::exists(Recording("a.wav"))) << "the old folder keeps what could not move";
  EXPECT_EQ(g_RcvdMsgsFolderPath.Get(), qav::Utf8ToUtf16(newRoot + "/")) << "the recordings that moved are found";
}

TEST_F(FolderMoveTest, EveryRefusedMoveSaysWhyBeforeAnythingMovesOrIsMade) {
  const std::string shown = oldRoot + "My Received Voice Messages";
  const std::string nested = shown + "/";  // a root left one level too deep by an older move
  Put(newRoot + "/a file");
  struct Case {
    const char* what;
    std::string root;  // the current root ("" the fixture's)
    std::string chosen;
    bool portable;
    int textId;
    std::errc reason;  // named in the box, for a target that cannot take the recordings
  };
  const Case cases[] = {
      {"the shown folder itself", "", shown, false, IDS_OPT_ADVANCED_MOVE_INTO_ITSELF, {}},
      {"a folder inside the shown one", "", shown + "/alice", false, IDS_OPT_ADVANCED_MOVE_INTO_ITSELF, {}},
      {"a file, not a folder", "", newRoot + "/a file", false, IDS_OPT_ADVANCED_MOVE_TARGET_UNUSABLE,
       std::errc::not_a_directory},
      {"a folder that is not there", "", dir.path() + "/gone", false, IDS_OPT_ADVANCED_MOVE_TARGET_UNUSABLE,
       std::errc::no_such_file_or_directory},
      {"portable mode", "", newRoot, true, IDS_OPT_ADVANCED_NO_MOVE_IN_PORTABLE_MODE, {}},
      // Last: its recordings are where the others must make nothing.
      {"the folder that holds the current one", nested, oldRoot, false, IDS_OPT_ADVANCED_MOVE_INTO_ITSELF, {}},
  };
  CDlgOptAdvanced page(chooser, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string root = c.root.empty() ? oldRoot : c.root;
    const std::string recording = root + "My Received Voice Messages/alice/a.wav";
    fs::create_directories(fs::path(recording).parent_path());
    Put(recording);
    const auto before = fs::file_size(recording);
    g_RcvdMsgsFolderPath = qav::Utf8ToUtf16(root);
    g_RemovableMode = c.portable;
    chooser.chosen = qav::Utf8ToUtf16(c.chosen);
    boxes.texts.clear();
    boxes.answer = IDOK;
    Click(Find<QWidget>(&page, "messagesBrowse"));
    g_RemovableMode = false;
    EXPECT_EQ(boxes.texts.size(), 1u) << "one box, and no question before it";
    if (boxes.texts.empty()) continue;
    const std::u16string text = GetLangString(c.textId);
    const std::u16string opening = text.substr(0, std::min<size_t>(30, text.find(u'%')));  // before the paths
    EXPECT_NE(boxes.texts[0].find(opening), std::u16string::npos) << qav::U8(boxes.texts[0]);
    if (c.portable) {
      EXPECT_EQ(boxes.texts[0], GetLangString(2172) + u"\r\n" + text);
    }
    if (c.reason != std::errc{}) {
      EXPECT_NE(boxes.texts[0].find(qav::Utf8ToUtf16(std::make_error_code(c.reason).message())), std::u16string::npos);
    }
    std::error_code sizeError;
    EXPECT_EQ(fs::file_size(recording, sizeError), before) << "the recording stays where it is";
    EXPECT_EQ(g_RcvdMsgsFolderPath.Get(), qav::Utf8ToUtf16(root));
    EXPECT_EQ(GetPrivateProfileString(u"Settings", u"RcvdMsgsFolderPath", u"", 4096, GetUserIniPath()), u"");
    if (c.root.empty()) {
      EXPECT_FALSE(fs::exists(shown + "/My Received Voice Messages")) << "nothing made one level too deep";
    }
    EXPECT_FALSE(fs::exists(newRoot + "/My Received Voice Messages"));
    EXPECT_FALSE(fs::exists(shown + "/alice/My Received Voice Messages"));
  }
}

TEST_F(FolderMoveTest, ACallBeingRecordedKeepsTheWholeFolderWhereItIsUntilTheRecordingEnds) {
  Put(Recording("a.wav"));
  const std::string live = Recording("~recording.wav");
  FILE* writer = std::fopen(live.c_str(), "wb");
  ASSERT_NE(writer, nullptr);
  const std::string half(1000, 'r');
  std::fwrite(half.data(), 1, half.size(), writer);
  std::fflush(writer);
  CDlgOptAdvanced page(chooser, nullptr);
  chooser.chosen = qav::Utf8ToUtf16(newRoot);
  Click(Find<QWidget>(&page, "messagesBrowse"));
  ASSERT_EQ(boxes.texts.size(), 1u) << "refused before the question";
  EXPECT_EQ(boxes.texts[0],
            qav::Format(GetLangString(IDS_OPT_ADVANCED_MOVE_WHILE_RECORDING), qav::Utf8ToUtf16(live)));
  std::fwrite(half.data(), 1, half.size(), writer);
  std::fclose(writer);
  EXPECT_EQ(fs::file_size(live), 2000u) << "the whole recording, where its writer put it";
  EXPECT_TRUE(fs::exists(Recording("a.wav")));
  EXPECT_EQ(g_RcvdMsgsFolderPath.Get(), qav::Utf8ToUtf16(oldRoot));

  // The recording has ended: now everything moves.
  Click(Find<QWidget>(&page, "messagesBrowse"));
  EXPECT_EQ(fs::file_size(Moved("~recording.wav")), 2000u);
  EXPECT_TRUE(fs::exists(Moved("a.wav")));
  EXPECT_EQ(g_RcvdMsgsFolderPath.Get(), qav::Utf8ToUtf16(newRoot + "/"));
}

TEST_F(FolderMoveTest, TheFailureBoxNamesTheReasonAndTheFirstFewFilesThenACount) {
  for (int i = 0; i < 8; ++i) {
    const std::string name = "m" + std::to_string(i) + ".wav";
    Put(Recording(name));
    fs::create_directories(Moved(name) + "/x");  // a folder of the same name holds the place
  }
  CDlgOptAdvanced page(chooser, nullptr);
  chooser.chosen = qav::Utf8ToUtf16(newRoot);
  Click(Find<QWidget>(&page, "messagesBrowse"));
  ASSERT_EQ(boxes.texts.size(), 2u);
  const std::string box = qav::U8(boxes.texts[1]);
  EXPECT_NE(box.find("(" + std::make_error_code(std::errc::is_a_directory).message() + ")"), std::string::npos) << box;
  size_t listed = 0;
  for (size_t at = box.find(".wav"); at != std::string::npos; at = box.find(".wav", at + 1)) ++listed;
  EXPECT_EQ(listed, 5u) << box;
  EXPECT_NE(boxes.texts[1].find(qav::Format(GetLangString(IDS_OPT_ADVANCED_MOVE_FAILED_MORE), 3)), std::u16string::npos)
      << box;
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(fs::exists(Recording("m" + std::to_string(i) + ".wav")));
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
    // The checks before a move: no room for what would be copied, then a medium that cannot be written.
    if (CheckMoveTarget(qav::Utf8ToUtf16(first + "/from"), qav::Utf8ToUtf16(second)) != std::errc::no_space_on_device) {
      return 18;
    }
    if (CheckMoveTarget(qav::Utf8ToUtf16(first + "/none"), qav::Utf8ToUtf16(second))) return 19;
    if (mount(nullptr, second.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) return 20;
    if (CheckMoveTarget(qav::Utf8ToUtf16(first + "/none"), qav::Utf8ToUtf16(second)) !=
        std::errc::read_only_file_system) {
      return 21;
    }
    return 0;
  });
  if (!code) {
    // CI runs as root on a machine that has them: there the test must run, not skip.
    if (std::getenv("CI") != nullptr) FAIL() << kNeedsSecondFileSystem;
    GTEST_SKIP() << kNeedsSecondFileSystem;
  }
  EXPECT_EQ(*code, 0);
}

}  // namespace
}  // namespace qav::test
