// Text conversions and percent-encoding of the HTTP client library.
//
// 8-bit text is UTF-8 or the client's "ANSI" code page. Here the only ANSI code page is the
// system's (0), which is UTF-8, so both give the same bytes; other code pages cannot be converted
// to (error 600), and the UTF-8 and UTF-7 code pages are refused by name where an ANSI one is asked
// for. Text is converted as a whole, so a surrogate pair becomes one four-byte character, and an
// unpaired surrogate becomes U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/http_url_analyzer.h"

namespace Vemra {

class CHttpEncoderW {
 public:
  static uint32_t AnsiEncodeLen(std::u16string_view text, uint32_t codePage = kCodePageSystem);
  static std::string AnsiEncode(std::u16string_view text, uint32_t codePage = kCodePageSystem);
  static uint32_t Utf8EncodeLen(std::u16string_view text);
  static std::string Utf8Encode(std::u16string_view text);

  // Percent-encoding of a form value: the text's bytes (UTF-8, or the code page), letters and
  // digits as they are, a space as "+", every other byte as "%" and two upper-case hex digits.
  //   a b/ü -> a+b%2F%C3%BC
  static uint32_t UrlEncodeLen(std::u16string_view text, bool useUtf8, uint32_t codePage = kCodePageSystem);
  static std::string UrlEncodeA(std::u16string_view text, bool useUtf8, uint32_t codePage = kCodePageSystem);
  // The same, each output byte one UTF-16 unit.
  static std::u16string UrlEncodeW(std::u16string_view text, bool useUtf8, uint32_t codePage = kCodePageSystem);

  // The bytes of the text in UTF-8 or in the code page, as the client sends names and values.
  static std::string Encode8(std::u16string_view text, bool useUtf8, uint32_t codePage);
};

}  // namespace Vemra
