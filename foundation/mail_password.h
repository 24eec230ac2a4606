// The stored form of the e-mail login password (key EMailLoginPass).
//
// The password's UTF-8 text is put into a 64-byte block (at most 64 bytes, cut before a character
// that would not fit whole; the rest zero bytes), enciphered with AES-128 in ECB mode under the
// program's fixed key, and written as 128 upper-case hexadecimal digits. An empty password is
// stored as "".
//
// Reading goes by the length of the stored text: 128 characters are deciphered; more than 64 (but
// not 128) are an older form whose raw bytes the global file holds (enciphered with the same key);
// 64 or fewer are the password itself. A stored value that does not decode to whole UTF-8 text
// gives nullopt, so the caller can report it instead of using a wrong password.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

inline constexpr size_t kMailPasswordBlock = 64;

std::u16string EncodeMailPassword(std::u16string_view password);

// `readOldFormBytes` gives the older form's raw bytes (the global file's value read as 8-bit text).
std::optional<std::u16string> DecodeMailPassword(std::u16string_view stored,
                                                 const std::function<std::string()>& readOldFormBytes);
