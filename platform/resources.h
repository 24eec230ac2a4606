// Data compiled into the program: resources looked up by type name and id (the built-in English
// language file is "LANG" 274), and the string table that maps a string id to its key.
//
// Both tables are generated sources made by the build from the lists in data/ (docs/resources.md,
// docs/localisation.md); they are constant data, so nothing registers itself at start-up and any
// thread may read them at any time.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qav {

// The resource's bytes, or nullopt when the program carries no such resource.
std::optional<std::span<const uint8_t>> FindResource(std::u16string_view type, int id);

// The key of a string id ("IDS_BUTTON_OK" for 80), or an empty view when the id has none.
std::u16string_view LoadStringResource(int id);

}  // namespace qav
