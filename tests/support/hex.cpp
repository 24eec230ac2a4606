#include "tests/support/hex.h"

namespace qav::test {

namespace {
int Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::string HexBytes(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

std::string BytesFromHex(std::string_view hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    int hi = Digit(hex[i]), lo = Digit(hex[i + 1]);
    if (hi < 0 || lo < 0) break;
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return out;
}

}  // namespace qav::test
