#include "foundation/base64.h"

#include <array>
#include <cstdint>

namespace qav {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int8_t, 256> MakeReverse() {
  std::array<int8_t, 256> reverse{};
  for (auto& r : reverse) r = -1;
  for (int i = 0; i < 64; ++i) reverse[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
  return reverse;
}

constexpr std::array<int8_t, 256> kReverse = MakeReverse();

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8) |
                       static_cast<uint8_t>(bytes[i + 2]);
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(kAlphabet[(v >> 6) & 63]);
    out.push_back(kAlphabet[v & 63]);
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(rest == 2 ? kAlphabet[(v >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

std::optional<std::string> Base64Decode(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int padding = 0;
    if (last && text[i + 3] == '=') padding = text[i + 2] == '=' ? 2 : 1;
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) {
      if (k >= 4 - padding) {
        v <<= 6;
        continue;
      }
      const int8_t digit = kReverse[static_cast<uint8_t>(text[i + k])];
      if (digit < 0) return std::nullopt;
      v = (v << 6) | static_cast<uint32_t>(digit);
    }
    // Bits that the padding says are unused must be zero.
    if ((padding == 1 && (v & 0xFF) != 0) || (padding == 2 && (v & 0xFFFF) != 0)) return std::nullopt;
    out.push_back(static_cast<char>((v >> 16) & 0xFF));
    if (padding < 2) out.push_back(static_cast<char>((v >> 8) & 0xFF));
    if (padding < 1) out.push_back(static_cast<char>(v & 0xFF));
  }
  return out;
}

}  // namespace qav
