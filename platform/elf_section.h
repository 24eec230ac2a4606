// Reading one named section out of an ELF file (64-bit, little-endian: the binaries this build
// makes). The program keeps its version stamp in such a section, in place of a version resource.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qav {

// The bytes of the section `name` in the file at `path` (UTF-8), or nullopt when the file cannot
// be read, is not such an ELF file, has no section of that name, or the section is larger than
// `maximumBytes`. Every offset and size in the file is checked against the file's length before
// it is used, so a damaged or hostile file gives nullopt, never a wild read.
std::optional<std::string> ReadElfSection(const std::string& path, std::string_view name, size_t maximumBytes);

}  // namespace qav
