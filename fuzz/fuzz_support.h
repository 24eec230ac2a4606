// What the fuzz targets share: the input as the kinds of data the parsers read (UTF-16 text, an
// open file, a file with a name), and a private folder for the files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qav::fuzz {

// The input's bytes as a view.
inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The bytes as UTF-16 code units, two bytes a unit (little-endian; an odd last byte is dropped),
// so that every unit, lone surrogates included, can be reached.
std::u16string Units(std::string_view bytes);

// Takes the first byte off the input (0 when it is empty), for a target that picks a variant.
uint8_t TakeByte(std::string_view& bytes);

// An anonymous in-memory file holding the bytes, positioned at its start; the caller closes it.
int MemoryFile(std::string_view bytes);

// This process's own folder for files the parsers open by name (made once, on a tmpfs when one
// is available). Ends with "/".
const std::string& Folder();

// Writes the bytes to Folder() + name (replacing it) and returns the full path.
std::string WriteFile(const std::string& name, std::string_view bytes);

}  // namespace qav::fuzz
