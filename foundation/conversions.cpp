#include "foundation/conversions.h"

int HexToInt(std::u16string_view text) {
  int value = 0;
  for (size_t i = 0; i < text.size() && i < 4; ++i) {
    const char16_t c = text[i];
    int digit;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      break;
    }
    value = value * 16 + digit;
  }
  return value;
}

int HexToBytes(std::u16string_view hex, uint8_t* bytes, int maximum) {
  int count = 0;
  for (size_t i = 0; i + 1 < hex.size() && count < maximum; i += 2) {
    bytes[count++] = static_cast<uint8_t>(HexToInt(hex.substr(i, 2)));
  }
  return count;
}

std::u16string BytesToHex(const uint8_t* bytes, size_t length) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text;
  text.reserve(length * 2);
  for (size_t i = 0; i < length; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0xF]);
  }
  return text;
}

int CopyToString(std::u16string_view text, std::u16string& out) {
  out.assign(text);
  return 1;
}
