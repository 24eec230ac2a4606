// The languages the user can choose: one entry per loadable "ZV_*.lang" file in the language
// folder, ordered by display text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One available language.
class CLanguage {
 public:
  CLanguage(std::u16string fileName, std::u16string displayText, std::u16string languageName);

  // "ZV_EN.lang", in the language folder.
  const std::u16string& GetFileName() const { return m_fileName; }
  // The file name without ".lang" ("ZV_EN"), as LoadLangLib takes it.
  std::u16string GetFileTitle() const;
  // "<display name> (<language name>)", texts 3 and 2 of the file.
  const std::u16string& GetDisplayText() const { return m_displayText; }
  // The language's own name, text 2 of the file.
  const std::u16string& GetLanguageName() const { return m_languageName; }

 private:
  std::u16string m_fileName;
  std::u16string m_displayText;
  std::u16string m_languageName;
};

// Builds the language list from `folder` (created when missing) once; again only with `force`.
// When the folder holds no "ZV_*.lang" file, the built-in English file is written there as
// "ZV_EN.lang" first. Each file is loaded with LoadLangLib to read its names (so the last one
// loaded is current afterwards) and a file that does not load is left out. Ends by loading the
// built-in English table and returns that result (1 or 0). A call that does nothing returns the
// result of the run before.
int LanguagesInit(std::u16string_view folder, bool force = false);

// Empties both language tables and the list; a later LanguagesInit builds them afresh.
void LanguagesTerm();

// A copy of the list, in display-text order (case-sensitive).
std::vector<CLanguage> GetLanguageList();
