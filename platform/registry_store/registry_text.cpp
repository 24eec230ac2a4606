#include "platform/registry_store/registry_text.h"

namespace qav {

void RegistryAppendUtf8(std::string& out, char32_t cp) {
  if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string RegistryUtf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    RegistryAppendUtf8(out, c);
  }
  return out;
}

std::u16string RegistryUtf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    char32_t cp = 0;
    size_t need = 0;
    char32_t min = 0;
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      cp = b & 0x1F, need = 1, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      cp = b & 0x0F, need = 2, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      cp = b & 0x07, need = 3, min = 0x10000;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    size_t j = 1;
    for (; j <= need && i + j < s.size(); ++j) {
      const unsigned char c = static_cast<unsigned char>(s[i + j]);
      if ((c & 0xC0) != 0x80) break;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (j <= need || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += u'\uFFFD';
      i += j;  // skip the lead and the continuation bytes that were read
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += need + 1;
  }
  return out;
}

}  // namespace qav
