// Reading a language file ("ZV_*.lang") into a table of key name to text.
//
// Format: UTF-16LE with the byte-order mark FF FE, 2 to 2,097,153 bytes, lines ending in CR LF (a
// bare LF is taken as well). The first non-empty line must be exactly "# QAV Localization File".
// After it each line is trimmed; empty lines and lines beginning with "#" are skipped. The key is
// the text before the first space and must begin with "IDS_"; other lines are skipped. The value is
// the rest, trimmed, without its first and last characters (the double quotes around the text;
// a value of fewer than two characters becomes ""). In the value, backslash-n becomes LF,
// backslash-r CR, backslash-t TAB and "/n" CR LF, in that order. A later line with the same key
// replaces the earlier one.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>

// Key name ("IDS_BUTTON_OK") to text.
using CLangTable = std::unordered_map<std::u16string, std::u16string>;

inline constexpr std::u16string_view kLangFileHeader = u"# QAV Localization File";
inline constexpr long long kLangFileMaxBytes = 0x200001;

// Parses the open file, from its start, into `table`. Returns 1; or 0 after logging why (bad size,
// not UTF-16LE, short read, bad header), in which case `table` is unchanged. `fileName` names the
// file in the log.
int LoadLangLibFromFile(std::FILE* file, std::u16string_view fileName, CLangTable& table);
