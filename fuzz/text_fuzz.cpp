// The text module: UTF-8 and UTF-16 conversion of anything (invalid input becomes U+FFFD), number
// parsing, case folding and trimming, and printf-style formatting with a format string from outside
// (the language files supply the program's format strings).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "fuzz/fuzz_support.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t choice = qav::fuzz::TakeByte(input);

  // Conversion: valid UTF-16 made from any bytes survives the trip through UTF-8 unchanged.
  const std::u16string fromUtf8 = qav::Utf8ToUtf16(input);
  if (qav::Utf8ToUtf16(qav::Utf16ToUtf8(fromUtf8)) != fromUtf8) __builtin_trap();
  const std::u16string units = qav::fuzz::Units(input);
  const std::u16string cleaned = qav::Utf8ToUtf16(qav::Utf16ToUtf8(units));  // lone surrogates replaced
  if (qav::Utf8ToUtf16(qav::Utf16ToUtf8(cleaned)) != cleaned) __builtin_trap();
  const std::u16string fromLe = qav::Utf16LeBytesToText(input.data(), input.size());  // an odd byte: U+FFFD
  if (qav::TextToUtf16LeBytes(fromLe).substr(0, input.size() / 2 * 2) != input.substr(0, input.size() / 2 * 2)) {
    __builtin_trap();
  }

  // Numbers, from both kinds of text.
  const std::u16string& text = (choice & 1) ? units : fromUtf8;
  qav::ParseInt32(text);
  qav::ParseInt64(text);
  qav::ParseUInt32(text);
  qav::ParseUInt64(text);
  qav::ParseHex(text);
  qav::AtoI(text);
  qav::AtoI64(text);
  qav::ParseInt32(input);
  qav::ParseInt64(input);
  qav::ParseUInt32(input);
  qav::AtoI(input);
  if (const auto value = qav::ParseInt64(text)) {
    if (qav::ParseInt64(qav::Format(u"%lld", *value)) != value) __builtin_trap();
  }

  // Case and blanks.
  if (!qav::EqualsNoCase(qav::ToLowerAscii(text), qav::ToUpperAscii(text))) __builtin_trap();
  if (qav::Trim(text).size() > text.size()) __builtin_trap();
  qav::Split(text, u',');

  // Formatting: the text is the format string, the arguments the kinds the program passes.
  const char16_t* const noText = nullptr;
  qav::Format(text, 42, -7LL, 3000000000U, 2.5, u"word", "bytes", noText, &choice, u'x', 'y',
              std::numeric_limits<int64_t>::max(), -1e10, std::numeric_limits<int32_t>::min());
  // The extremes: a star width or precision of INT64_MIN, doubles no integer can hold.
  qav::Format(text, std::numeric_limits<int64_t>::min(), 1e300, std::numeric_limits<double>::quiet_NaN(),
              -std::numeric_limits<double>::infinity(), std::numeric_limits<uint64_t>::max(), -0.0);
  return 0;
}
