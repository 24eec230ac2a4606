// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qav {

std::string Base64Encode(std::string_view bytes);

// Strict: the length must be a multiple of 4, only alphabet characters, "=" only as the last one
// or two characters, and the unused bits of the last group must be zero. Anything else is
// nullopt, so damaged input is reported instead of silently decoded into other bytes.
std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace qav
