// Single-key access to the two settings files, section "Settings".
//
// The global file (GetIniFilePath) holds the application-wide keys; the per-user file
// (GetUserIniPath) everything that belongs to one account. A per-user read takes the key from the
// per-user file, else from the global file, else the default, key by key: a per-user file that
// holds only some keys (the tray writes one at once) never hides the others that the global file
// still supplies. Without a current user, per-user reads and writes go to the global file.
//
// Integers are written with "%u", so -1 is stored as 4294967295 and reads back as -1; times keep
// their low 32 bits, read back unsigned. Texts are read through a buffer of kIniTextBuffer units
// (at most 255 survive) unless the caller asks for more (the path keys and the multi-line texts,
// see docs/settings.md). A text that begins with a double quote is written inside a further pair,
// because the reader removes one pair. A text with a line break is written with blanks in its
// place (the multi-line keys turn their breaks into "/n" first), so no write can break the file's
// lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr size_t kIniTextBuffer = 256;
// The buffer for path keys: a Linux path may be far longer than 255 units.
inline constexpr size_t kIniPathBuffer = 4096;
// The buffer for the multi-line texts: whatever their edit holds (at most 32767 units, a line break
// counted as two, as the file stores it) reads back whole.
inline constexpr size_t kIniMultiLineTextBuffer = 32768;

int32_t ReadIniInt(std::u16string_view key, int32_t defaultValue);
uint32_t ReadIniUInt(std::u16string_view key, uint32_t defaultValue);
std::u16string GetGlobalIniString(std::u16string_view key, std::u16string_view defaultValue,
                                  size_t bufferSize = kIniTextBuffer);
bool WriteIniInt(std::u16string_view key, int32_t value);
bool WriteIniInt64(std::u16string_view key, int64_t time);
bool WriteIniString(std::u16string_view key, std::u16string_view text);

int32_t GetUserIniInt(std::u16string_view key, int32_t defaultValue);
std::u16string GetUserIniString(std::u16string_view key, std::u16string_view defaultValue,
                                size_t bufferSize = kIniTextBuffer);
bool WriteUserIniInt(std::u16string_view key, int32_t value);
bool WriteUserIniString(std::u16string_view key, std::u16string_view text);

// The value as written to a file by the quoting and line rules above.
std::u16string IniStoredText(std::u16string_view text);
