#include "app/web_links.h"

#include <cstdlib>

#include "platform/text.h"

std::u16string MakerWebSiteAddress() {
  std::u16string base = u"http://www.zarvelin.com/";
  if (const char* configured = std::getenv("QAV_WEB_BASE"); configured && *configured) {
    base = qav::Utf8ToUtf16(configured);
    if (base.back() != u'/') base += u'/';
  }
  return base;
}

namespace {

// Percent-encodes text (as UTF-8), leaving letters, digits, "-._~" and the given extra character.
std::u16string PercentEncodeKeeping(std::u16string_view text, char kept) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::u16string encoded;
  for (unsigned char c : qav::Utf16ToUtf8(text)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '.' || c == '_' || c == '~' || (kept != 0 && c == static_cast<unsigned char>(kept));
    if (plain) {
      encoded += static_cast<char16_t>(c);
    } else {
      encoded += u'%';
      encoded += static_cast<char16_t>(kHex[c >> 4]);
      encoded += static_cast<char16_t>(kHex[c & 0xF]);
    }
  }
  return encoded;
}

}  // namespace

std::u16string PercentEncode(std::u16string_view text) { return PercentEncodeKeeping(text, 0); }

bool IsWebAddress(std::u16string_view link) {
  size_t schemeLength = 0;
  if (qav::StartsWithNoCase(link, u"http://")) {
    schemeLength = 7;
  } else if (qav::StartsWithNoCase(link, u"https://")) {
    schemeLength = 8;
  } else {
    return false;
  }
  if (link.size() == schemeLength) return false;
  for (const char16_t c : link) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::u16string LocalFileAddress(std::u16string_view path) {
  if (path.empty() || path[0] != u'/') return {};
  return u"file://" + PercentEncodeKeeping(path, '/');
}

std::u16string ProductPageLink(std::u16string_view page, const QueryValues& query) {
  std::u16string link = MakerWebSiteAddress() + u"qav/" + std::u16string(page);
  char16_t separator = u'?';
  for (const auto& [name, value] : query) {
    link += separator + name + u"=" + PercentEncode(value);
    separator = u'&';
  }
  return link;
}
