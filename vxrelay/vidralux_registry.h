// What the application's installer leaves in the registry: its folder and its version.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qav::vxrelay {

// The key is looked up under HKEY_LOCAL_MACHINE first (an installation for every user), and under
// HKEY_CURRENT_USER only when HKEY_LOCAL_MACHINE has no such key.
inline constexpr char16_t kVidraluxKey[] = u"Software\\Quenmark\\Vidralux";

// The longest values taken, in UTF-8 bytes: they and their terminating zero fill the buffers the
// callers were promised (260 bytes for the folder, 64 for the version text).
inline constexpr size_t kMaxDirectoryBytes = 259;
inline constexpr size_t kMaxVersionBytes = 63;

// The "Directory" text as UTF-8. nullopt when no key can be opened, the value is missing or not a
// text, or it needs more than maxBytes bytes (a longer value is refused, never cut).
std::optional<std::string> ReadVidraluxDirectory(size_t maxBytes);

// The "Version" text as UTF-8, under the same rules.
std::optional<std::string> ReadVidraluxVersionText(size_t maxBytes);

// (major << 16) | (minor & 0xFFFF): the decimal numbers before and after the first "." read as the
// C library reads them (blanks, sign, digits; no digits give 0); minor 0 without a ".".
int PackVidraluxVersion(std::string_view text);

}  // namespace qav::vxrelay
