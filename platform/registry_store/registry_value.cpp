#include "platform/registry_store/registry_value.h"

namespace qav {

RegistryValue MakeRegistryString(std::u16string_view text, uint32_t type) {
  RegistryValue v;
  v.type = type;
  v.data.reserve(text.size() * 2 + 2);
  for (char16_t c : text) {
    v.data += static_cast<char>(c & 0xFF);
    v.data += static_cast<char>(c >> 8);
  }
  v.data.append(2, '\0');
  return v;
}

RegistryValue MakeRegistryDword(uint32_t value) {
  RegistryValue v;
  v.type = kRegDword;
  for (int i = 0; i < 4; ++i) v.data += static_cast<char>((value >> (8 * i)) & 0xFF);
  return v;
}

RegistryValue MakeRegistryBinary(std::string_view bytes) {
  return RegistryValue{kRegBinary, std::string(bytes)};
}

std::optional<std::u16string> RegistryStringOf(const RegistryValue& value) {
  if (value.type != kRegSz && value.type != kRegExpandSz) return std::nullopt;
  std::u16string text;
  for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(static_cast<unsigned char>(value.data[i]) |
                                             (static_cast<unsigned char>(value.data[i + 1]) << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

std::optional<uint32_t> RegistryDwordOf(const RegistryValue& value) {
  if (value.data.size() != 4) return std::nullopt;
  uint32_t n = 0;
  for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
  return n;
}

}  // namespace qav
