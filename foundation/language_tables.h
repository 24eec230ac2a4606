// The program's localised texts: string id to key (the built-in string table), then key to text in
// the current language's table, then in the built-in English table.
//
// Threading: any thread may call GetLangString at any time. A table is always built aside and then
// put in place whole (a shared pointer swapped under a short lock), so a lookup sees either the old
// table or the new one, never one being filled. Loading is done on the GUI thread.
#pragma once

#include <string>
#include <string_view>

#include "data/string_ids.h"  // IDS_* constants for the ids below
#include "foundation/lang_file.h"

// The built-in English language file is resource "LANG" of this id.
inline constexpr int kDefaultLanguageResourceId = 274;

// The text for a string id, never failing: the current language's text, else the built-in
// English one (logged at level 7), else "string error #<id> - <key>" (logged at level 8). With
// `skipCurrent` the current language is not asked.
std::u16string GetLangString(int id, bool skipCurrent = false);

// Loads language folder + `fileTitle` + ".lang" as the current language. The current table is
// emptied first, so after a failure every lookup falls through to English. 1 on success, else 0.
int LoadLangLib(std::u16string_view fileTitle);

// Loads the built-in English table (resource "LANG" 274). 1 on success; else 0 and the previous
// English table stays.
int LoadDefaultLangLib();

// The language code of a language file title: the title without its first three characters
// ("ZV_EN" gives "EN"). With an empty title, that of the current language.
std::u16string GetLangCodeFromFile(std::u16string_view fileTitle = {});

// The title of the current language's file ("ZV_EN"), empty until a file has loaded.
std::u16string GetCurrentLangFileTitle();

// The folder LoadLangLib reads from (ends with "/"); LanguagesInit sets it.
void SetLanguageFolder(std::u16string_view folder);
std::u16string GetLanguageFolder();

// Empties both tables.
void ClearLanguageTables();
