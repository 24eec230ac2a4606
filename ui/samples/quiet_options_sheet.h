// CQuietOptionsSheet: the sheet and the program as option pages built on their own see them, for
// the screenshots and the benchmarks: the sample services (nothing is saved, opened or sent, and
// the greetings "load") with the language file given, and an Apply state nothing reads. Never part
// of the program.
#pragma once

#include <string>
#include <utility>

#include "ui/options/options_page_site.h"
#include "ui/samples/sample_sheet_services.h"

class CQuietOptionsSheet : public CSampleSheetServices, public COptionsPageSite {
 public:
  explicit CQuietOptionsSheet(std::u16string languageFilePath = {}) : m_languageFilePath(std::move(languageFilePath)) {}

  CSheetServices& Services() override { return *this; }
  void SetModified(bool) override {}
  bool IsModified() const override { return false; }
  std::u16string LanguageFilePath() override { return m_languageFilePath; }

 private:
  std::u16string m_languageFilePath;
};
