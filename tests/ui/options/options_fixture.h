// What the option-page tests share: the settings in a private folder with a known current user,
// a fake of the sheet and the program that records the Apply state and the requests, and message
// boxes that answer from a script and keep what they were asked.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/app_folders.h"
#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/support/scoped_env.h"
#include "skype/link/main_window_port.h"
#include "tests/support/temp_dir.h"
#include "ui/sheet/dlg_prop_sheet.h"
#include "ui/options/options_prop_page.h"
#include "ui/options/options_page_site.h"
#include "ui/samples/sample_sheet_services.h"
#include "ui/sheet/placeholder_page.h"

namespace qav::test {

// The sheet and the program as the option pages see them: the sample services (which record the
// requests, the pages opened and the chat texts), with the settings files written on Apply, the
// language switched for real and the greetings' reloads kept; and an Apply state of its own.
class FakeOptionsSheet : public CSampleSheetServices, public COptionsPageSite {
 public:
  FakeOptionsSheet() : CSampleSheetServices(u"alice") {}
  CSheetServices& Services() override { return *this; }
  void SetModified(bool on) override { modified = on; }
  bool IsModified() const override { return modified; }
  // The settings store the tests read back.
  void SaveSettings() override { ::SaveSettings(); }
  void ApplyLanguage(const std::u16string& path) override {
    languagePath = path;
    LoadLangLib(qav::Utf8ToUtf16(std::filesystem::path(qav::Utf16ToUtf8(path)).stem().string()));
  }
  std::u16string LanguageFilePath() override { return languagePath; }
  bool ReloadGreeting(bool buddy) override {
    greetingLoads.push_back(buddy);
    return greetingLoadSucceeds;
  }
  bool modified = false;
  std::u16string languagePath;
  std::vector<bool> greetingLoads;
  bool greetingLoadSucceeds = true;
};

class ScriptedBoxes : public MessageBoxHandler {
 public:
  int Show(std::u16string_view text, std::u16string_view caption, uint32_t type) override {
    texts.emplace_back(text);
    captions.emplace_back(caption);
    types.push_back(type);
    return answer;
  }
  std::vector<std::u16string> texts;
  std::vector<std::u16string> captions;
  std::vector<uint32_t> types;
  int answer = IDOK;
};

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadDefaultLangLib();
    CSettingsHooks hooks;
    hooks.currentUserHandle = [this] { return user; };
    SetSettingsHooks(std::move(hooks));
    SetDefaultOptions();
    SetMessageBoxHandler(&boxes);
  }
  void TearDown() override {
    SetMessageBoxHandler(nullptr);
    SetSettingsHooks({});
    SetDefaultOptions();
    g_AdvancedSettingMode = 0;
    g_ScreenReaderFriendlyMode = 0;
  }

  TempDir dir;
  ScopedEnv data{"QAV_DATA_DIR", dir.path() + "/data"};
  ScopedEnv config{"QAV_CONFIG_DIR", dir.path() + "/config"};
  std::u16string user = u"alice";
  FakeOptionsSheet sheet;
  ScriptedBoxes boxes;
};

// A property sheet holding only the options page, shown on that page as the program opens it.
struct OptionsOnlySheet {
  explicit OptionsOnlySheet(CSheetServices& services) : sheet(services) {
    sheet.AddPage(options, kPageOptions);
    sheet.InitSheet();
    sheet.SetActivePage(kPageOptions);
    sheet.show();
  }
  CDlgPropSheet sheet;
  COptionsPropPage* options = new COptionsPropPage(sheet.Services());  // the sheet owns it
};

// The rest of the program as the sheet sees it, with the settings files as the truth: Apply writes
// them, the sheet's Cancel reads them back.
class FileSettingsServices : public CSampleSheetServices {
 public:
  FileSettingsServices() : CSampleSheetServices(u"alice") {}
  void SaveSettings() override { ::SaveSettings(); }
  void LoadSettings() override { ::LoadSettings(); }
};

// The sheet with the options page and a page beside it to change to, shown on the options page.
struct OptionsAndAboutSheet {
  explicit OptionsAndAboutSheet(CSheetServices& services) : sheet(services) {
    sheet.AddPage(options, kPageOptions);
    sheet.AddPage(new CPlaceholderPage(63), kPageAbout);
    sheet.InitSheet();
    sheet.SetActivePage(kPageOptions);
    sheet.show();
  }
  CDlgPropSheet sheet;
  COptionsPropPage* options = new COptionsPropPage(sheet.Services());  // the sheet owns it
};

// Writes a language file as the program's language files are stored: UTF-16 with its byte-order mark.
inline void WriteUtf16LangFile(const std::string& path, const std::u16string& text) {
  std::ofstream out(path, std::ios::binary);
  out << "\xFF\xFE" << TextToUtf16LeBytes(text);
}

}  // namespace qav::test
