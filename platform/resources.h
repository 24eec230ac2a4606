// Data compiled into the program, looked up by type name and id (the built-in English language
// file is "LANG" 274).
//
// The table is one generated source built from the list in data/resources; nothing registers
// itself at start-up.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qav {

// The resource's bytes, or nullopt when the program carries no such resource.
std::optional<std::span<const uint8_t>> FindResource(std::u16string_view type, int id);

}  // namespace qav
