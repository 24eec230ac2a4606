// Private-profile INI files, with the reading and writing rules the settings store was built on.
//
// Reading: section and key names are compared ASCII case-insensitively and the first match wins
// (the first section of that name, then the first key in it); lines are trimmed; lines beginning
// with ";" are comments; one pair of double quotes around the whole value is removed; "Key=" reads
// as "". Files are UTF-8 (a UTF-8 byte-order mark is skipped) or UTF-16LE with its byte-order mark;
// lines end in LF, CR LF or CR. A file over kProfileMaxFileBytes reads as missing.
//
// Writing: a key found in its section is replaced in place, a new key goes after the last line of
// its section, a new section is appended at the end. The file is created when missing, its folder
// is not. The whole file is written again as UTF-8 with LF line ends to a temporary file beside it,
// flushed and renamed over it, so a crash leaves the old file or the new one, never a torn one;
// writers in this and in other processes queue on an flock of the file's folder, so none loses
// another's change. A section, key or value that holds CR, LF or a zero unit is refused, so no write can break
// a line; so are an empty section or key, a section with "]" and a key with "=" or beginning with
// "[" or ";".
//
// Paths are program text with "/" separators. Any thread may call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qav {

inline constexpr size_t kProfileMaxFileBytes = 4u << 20;

// The value as stored (trimmed, quotes removed, not shortened), or nullopt when the file, the
// section or the key is missing.
std::optional<std::u16string> FindPrivateProfileValue(std::u16string_view section, std::u16string_view key,
                                                      std::u16string_view filePath);

// The value, or the default (without its trailing blanks) when the key is missing, cut to at most
// bufferSize - 1 UTF-16 units as a buffer of bufferSize units would hold it (a surrogate pair is
// never split).
std::u16string GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue, size_t bufferSize,
                                       std::u16string_view filePath);

// The 8-bit read: the value's UTF-8 bytes, at most bufferSize - 1 of them (a character is never
// split).
std::string GetPrivateProfileStringBytes(std::u16string_view section, std::u16string_view key,
                                         std::u16string_view defaultValue, size_t bufferSize,
                                         std::u16string_view filePath);

// Integer reads: an optional sign, then "0x" and hexadecimal digits or decimal digits, up to the
// first other character, accumulated in 32 bits with wrap-around ("4294967295" reads as -1,
// "12abc" as 12, "abc" as 0). A missing key or an empty value gives the default.
int32_t GetPrivateProfileInt(std::u16string_view section, std::u16string_view key, int32_t defaultValue,
                             std::u16string_view filePath);
uint32_t GetPrivateProfileUInt(std::u16string_view section, std::u16string_view key, uint32_t defaultValue,
                               std::u16string_view filePath);
// The same rules on a text.
uint32_t ParseProfileInteger(std::u16string_view text);

// Writes key=value into the section. False when refused (see above), when the folder is missing or
// the file cannot be written; the file is then unchanged.
bool WritePrivateProfileString(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                               std::u16string_view filePath);
// Several keys of one section in one save, in the order given; nothing is written when any entry
// is refused.
bool WritePrivateProfileStrings(std::u16string_view section,
                                const std::vector<std::pair<std::u16string, std::u16string>>& entries,
                                std::u16string_view filePath);

}  // namespace qav
