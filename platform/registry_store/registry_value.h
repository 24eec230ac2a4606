// One registry value: its type and its data bytes exactly as the platform registry keeps them.
//
// A string value (REG_SZ, REG_EXPAND_SZ) holds UTF-16LE text with its terminating zero, so an
// empty string has 2 bytes of data; a REG_DWORD holds 4 little-endian bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qav {

enum RegistryType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
};

struct RegistryValue {
  uint32_t type = kRegNone;
  std::string data;

  bool operator==(const RegistryValue&) const = default;
};

// REG_SZ (or REG_EXPAND_SZ) data of the text with its terminating zero.
RegistryValue MakeRegistryString(std::u16string_view text, uint32_t type = kRegSz);
RegistryValue MakeRegistryDword(uint32_t value);
RegistryValue MakeRegistryBinary(std::string_view bytes);

// The text of a REG_SZ or REG_EXPAND_SZ value up to its first zero (an odd last byte is ignored);
// nullopt for any other type. Expandable strings come back unexpanded.
std::optional<std::u16string> RegistryStringOf(const RegistryValue& value);
// The number of a value with exactly 4 bytes of data, whatever its type; nullopt otherwise.
std::optional<uint32_t> RegistryDwordOf(const RegistryValue& value);

}  // namespace qav
