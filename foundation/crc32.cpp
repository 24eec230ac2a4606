#include "foundation/crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

uint32_t CCrc32::Update(uint32_t crc, const void* bytes, size_t length) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  uint32_t c = ~crc;
  for (size_t i = 0; i < length; ++i) c = kTable[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return ~c;
}

int CCrc32::ComputeBufferCrc(const void* bytes, size_t length, uint32_t& crc) {
  crc = Update(0, bytes, length);
  return 0;
}

int CCrc32::ComputeStringCrc(std::u16string_view text, uint32_t& crc) {
  uint32_t c = 0xFFFFFFFFu;
  for (char16_t ch : text) {
    if (ch == 0) break;
    c = kTable[(c ^ static_cast<uint8_t>(ch)) & 0xFF] ^ (c >> 8);
  }
  crc = ~c;
  return 0;
}
