// CQuietOptionsSheet: the options page's link to a sheet that asks nothing of the program, for the
// screenshots and the benchmarks that build option pages on their own: nothing is marked, saved,
// opened or sent, and the greetings "load". Never part of the program.
#pragma once

#include <string>
#include <utility>

#include "ui/options/options_sheet_link.h"

class CQuietOptionsSheet : public COptionsSheetLink {
 public:
  explicit CQuietOptionsSheet(std::u16string languageFilePath = {}) : m_languageFilePath(std::move(languageFilePath)) {}

  void SetModified(bool) override {}
  bool IsModified() const override { return false; }
  void SaveSettings() override {}
  void RefreshTrayIcon() override {}
  void SendChatMessage(const std::u16string&, const std::u16string&) override {}
  void OpenWebPage(const std::u16string&) override {}
  void Relocalize() override {}
  void CheckForUpdatesNow() override {}
  void ApplyLanguage(const std::u16string&) override {}
  std::u16string LanguageFilePath() override { return m_languageFilePath; }
  void EditTextFile(const std::u16string&) override {}
  int LoadGreetingMemFile(bool) override { return 1; }

 private:
  std::u16string m_languageFilePath;
};
