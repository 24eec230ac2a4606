// The language service: lookup fallbacks, the language list built from a folder, and the built-in
// English table read back by the program's own parser.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/language_list.h"
#include "foundation/language_tables.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

using qav::test::LogCapture;
using qav::test::ReadFileBytes;
using qav::test::TempDir;
using qav::test::WriteFileBytes;

std::string LangFile(const std::string& entries) {
  return "\xFF\xFE" + qav::TextToUtf16LeBytes(qav::U16("# QAV Localization File\r\n" + entries));
}

std::string NamedLangFile(const std::string& languageName, const std::string& displayName, const std::string& extra = "") {
  return LangFile("IDS_LANGUAGE_NAME \"" + languageName + "\"\r\nIDS_LANGUAGE_DISPLAY_NAME \"" + displayName +
                  "\"\r\n" + extra);
}

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override { LanguagesTerm(); }
  void TearDown() override { LanguagesTerm(); }
  std::u16string Folder() const { return qav::U16(dir_.path() + "/Language/"); }
  std::string FolderFile(const std::string& name) const { return dir_.path() + "/Language/" + name; }

  TempDir dir_;
};

TEST_F(LanguageTest, LookupFallsBackFromCurrentToEnglishToTheErrorText) {
  mkdir((dir_.path() + "/Language").c_str(), 0700);
  ASSERT_TRUE(WriteFileBytes(FolderFile("ZV_XX.lang"), NamedLangFile("Xish", "X", "IDS_BUTTON_OK \"Fine\"\r\n")));
  ASSERT_EQ(LanguagesInit(Folder()), 1);
  ASSERT_EQ(LoadLangLib(u"ZV_XX"), 1);

  const struct {
    const char* name;
    int id;
    bool skipCurrent;
    std::u16string text;
    std::vector<LogCapture::Line> logs;
  } cases[] = {
      {"in the current language", IDS_BUTTON_OK, false, u"Fine", {}},
      {"current skipped", IDS_BUTTON_OK, true, u"OK", {}},
      {"missing from the current language",
       IDS_BUTTON_CANCEL,
       false,
       u"Cancel",
       {{LOG_WARNING, u"Language String Error #81 with ZV_XX, KEY = IDS_BUTTON_CANCEL"}}},
      {"id without a key",
       9999,
       false,
       u"string error #9999 - ",
       {{LOG_WARNING, u"Language String Error #9999 with ZV_XX, KEY = "},
        {LOG_SEVERE, u"Language String Error #9999 with DEFAULT lang file, KEY = "}}},
  };
  for (const auto& c : cases) {
    LogCapture log;
    EXPECT_EQ(GetLangString(c.id, c.skipCurrent), c.text) << c.name;
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), c.logs.size()) << c.name;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].level, c.logs[i].level) << c.name;
      EXPECT_EQ(lines[i].message, c.logs[i].message) << c.name;
    }
  }
}

TEST_F(LanguageTest, BadFileLeavesTheCurrentTableEmpty) {
  mkdir((dir_.path() + "/Language").c_str(), 0700);
  ASSERT_TRUE(WriteFileBytes(FolderFile("ZV_XX.lang"), NamedLangFile("Xish", "X", "IDS_BUTTON_OK \"Fine\"\r\n")));
  ASSERT_TRUE(WriteFileBytes(FolderFile("ZV_BAD.lang"), "not a language file"));
  ASSERT_EQ(LanguagesInit(Folder()), 1);
  ASSERT_EQ(LoadLangLib(u"ZV_XX"), 1);
  EXPECT_EQ(GetLangString(IDS_BUTTON_OK), u"Fine");

  LogCapture log;
  EXPECT_EQ(LoadLangLib(u"ZV_BAD"), 0);
  EXPECT_EQ(GetLangString(IDS_BUTTON_OK), u"OK");
  EXPECT_TRUE(log.Has(LOG_WARNING, u"LoadLangLibFromFile Failed"));
  EXPECT_EQ(LoadLangLib(u"ZV_NONE"), 0);
  EXPECT_TRUE(log.Has(LOG_WARNING, u"LoadLangLib Failed - Bad file handle ( " + Folder() + u"ZV_NONE.lang )"));
  EXPECT_EQ(GetLangString(IDS_BUTTON_OK), u"OK");
}

TEST_F(LanguageTest, EmptyFolderGetsTheBuiltInEnglishFile) {
  ASSERT_EQ(LanguagesInit(Folder()), 1);  // the folder does not exist yet

  const auto resource = qav::FindResource(u"LANG", kDefaultLanguageResourceId);
  ASSERT_TRUE(resource.has_value());
  EXPECT_EQ(ReadFileBytes(FolderFile("ZV_EN.lang")), std::string(resource->begin(), resource->end()));
  const std::vector<CLanguage> list = GetLanguageList();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].GetFileName(), u"ZV_EN.lang");
  EXPECT_EQ(list[0].GetFileTitle(), u"ZV_EN");
  EXPECT_EQ(list[0].GetLanguageName(), u"English");
  EXPECT_EQ(list[0].GetDisplayText(), u"English (English)");
  EXPECT_EQ(GetLangCodeFromFile(), u"EN");
}

TEST_F(LanguageTest, ListHoldsLoadableFilesInDisplayOrderAndIsBuiltOnceUnlessForced) {
  mkdir((dir_.path() + "/Language").c_str(), 0700);
  ASSERT_TRUE(WriteFileBytes(FolderFile("ZV_DE.lang"), NamedLangFile("Deutsch", "German")));
  ASSERT_TRUE(WriteFileBytes(FolderFile("ZV_AR.lang"), NamedLangFile("\xD8\xB9\xD8\xB1\xD8\xA8\xD9\x8A", "Arabic")));
  ASSERT_TRUE(WriteFileBytes(FolderFile("ZV_LC.lang"), NamedLangFile("lower", "aaa")));  // lower case sorts last
  ASSERT_TRUE(WriteFileBytes(FolderFile("ZV_BAD.lang"), LangFile("").substr(0, 11)));   // bad header: dropped
  ASSERT_TRUE(WriteFileBytes(FolderFile("QAV_FR.lang"), NamedLangFile("Fran\xC3\xA7" "ais", "French")));  // not ZV_
  ASSERT_TRUE(WriteFileBytes(FolderFile("ZV_TXT.lang.txt"), NamedLangFile("x", "x")));
  mkdir(FolderFile("ZV_DIR.lang").c_str(), 0700);  // directories are skipped

  ASSERT_EQ(LanguagesInit(Folder()), 1);
  std::vector<std::u16string> shown;
  for (const CLanguage& language : GetLanguageList()) shown.push_back(language.GetDisplayText() + u" = " + language.GetFileName());
  const std::vector<std::u16string> expected = {u"Arabic (\u0639\u0631\u0628\u064A) = ZV_AR.lang",
                                                u"German (Deutsch) = ZV_DE.lang", u"aaa (lower) = ZV_LC.lang"};
  EXPECT_EQ(shown, expected);
  struct stat info {};
  EXPECT_NE(stat(FolderFile("ZV_EN.lang").c_str(), &info), 0);  // files exist: no English file written

  ASSERT_TRUE(WriteFileBytes(FolderFile("ZV_CS.lang"), NamedLangFile("Cesky", "Czech")));
  EXPECT_EQ(LanguagesInit(Folder()), 1);
  EXPECT_EQ(GetLanguageList().size(), 3u);  // built once
  EXPECT_EQ(LanguagesInit(Folder(), true), 1);
  EXPECT_EQ(GetLanguageList().size(), 4u);

  LanguagesTerm();
  EXPECT_TRUE(GetLanguageList().empty());
  EXPECT_EQ(GetLangString(IDS_BUTTON_OK), u"string error #80 - IDS_BUTTON_OK");  // both tables gone
}

TEST_F(LanguageTest, LanguageCodeIsTheTitleAfterThreeCharacters) {
  const struct {
    std::u16string_view title;
    std::u16string_view code;
  } cases[] = {{u"ZV_EN", u"EN"}, {u"ZV_CHS", u"CHS"}, {u"ZV_", u""}, {u"ZV", u""}, {u"", u""}};
  for (const auto& c : cases) EXPECT_EQ(GetLangCodeFromFile(c.title), c.code) << qav::U8(c.title);
}

TEST_F(LanguageTest, LookupsWhileTheTableIsSwappedSeeWholeTables) {
  mkdir((dir_.path() + "/Language").c_str(), 0700);
  ASSERT_TRUE(WriteFileBytes(FolderFile("ZV_XX.lang"), NamedLangFile("Xish", "X", "IDS_BUTTON_OK \"Fine\"\r\n")));
  ASSERT_EQ(LanguagesInit(Folder()), 1);
  std::atomic<bool> stop{false};
  std::atomic<int> odd{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t) {
    readers.emplace_back([&] {
      while (!stop) {
        const std::u16string text = GetLangString(IDS_BUTTON_OK);
        if (text != u"Fine" && text != u"OK") ++odd;
      }
    });
  }
  for (int i = 0; i < 100; ++i) {
    LoadLangLib(u"ZV_XX");
    LoadDefaultLangLib();
  }
  stop = true;
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(odd, 0);
}

// Every id of data/strings.tsv has its key in the string table and its text in the built-in
// English file, read back by the program's own parser.
TEST_F(LanguageTest, BuiltInEnglishHoldsEveryStringOfTheDataFile) {
  ASSERT_EQ(LoadDefaultLangLib(), 1);
  std::ifstream data(std::string(QAV_SOURCE_DIR) + "/data/strings.tsv");
  ASSERT_TRUE(data.is_open());
  std::string line;
  int rows = 0;
  bool header = false;
  while (std::getline(data, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (!header) {
      header = true;
      continue;
    }
    const auto fields = qav::Split(qav::U16(line), u'\t');
    ASSERT_EQ(fields.size(), 3u) << line;
    const int id = qav::ParseInt32(fields[0]).value_or(-1);
    EXPECT_EQ(qav::LoadStringResource(id), fields[1]) << line;
    EXPECT_NE(GetLangString(id, true).rfind(u"string error", 0), 0u) << line;
    ++rows;
  }
  EXPECT_GT(rows, 0);

  const auto resource = qav::FindResource(u"LANG", kDefaultLanguageResourceId);
  ASSERT_TRUE(resource.has_value());
  const std::string bytes(resource->begin(), resource->end());
  EXPECT_EQ(bytes.substr(0, 2 + 2 * 25), "\xFF\xFE" + qav::TextToUtf16LeBytes(u"# QAV Localization File\r\n"));

  const struct {
    int id;
    std::u16string text;
  } cases[] = {
      {IDS_LANGUAGE_NAME, u"English"},
      {IDS_LANGUAGE_RTL, u"FALSE"},
      {IDS_LANGUAGE_FONT, u"Tahoma"},
      {IDS_TRANSLATOR_CREDIT, u""},
      {IDS_BUTTON_OK, u"OK"},
      {IDS_MISC_SKYPENAME_BLOCKED_PSTN_NUMBER, u"Unknown number"},
      {IDS_NOTIFY_USER_CONNECTED_TO_SKYPE, u"QAV has successfully established connection to Skype\u2122"},
      {IDS_NOTIFY_USER_SKYPE_REFUSED_CONNECTION,
       u"Skype\u2122 refused connection from QAV. Please change this setting in Skype\u2122 then restart QAV.\nGoto: "
       u"Skype->Tools->Option->Privacy->Manage other programs' access to Skype\u2122 and Allow QAV access to API."},
      {IDS_DEFAULT_MESSAGE_REJECT_CALL_WHEN_USER_IS_ACTIVE,
       u"I am currently talking with another caller.\r\nPlease call again later.\r\n\r\n(This is an auto response "
       u"message from QAV - Answering Machine for Skype\u2122 users)"},
      {IDS_EMAIL_SEND_STATIC_LINE_BODY_HEADER, u"QAV received the following voice message: \r\n"},
      {IDS_MESSAGES_TAB_DELETE_MESSAGES_QUESTION, u"Going to delete the following messages: "},
  };
  for (const auto& c : cases) EXPECT_EQ(GetLangString(c.id, true), c.text) << c.id;
}

}  // namespace
