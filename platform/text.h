// The program's text type and the routines every folder uses on it.
//
// Program text is UTF-16 (std::u16string), like the string class the program was designed
// around. UTF-8 is used at every byte boundary: the call client's wire, file paths, POSIX calls and
// logs. Conversion never fails: invalid input becomes U+FFFD, one replacement per bad sequence.
//
// Formatting follows the C printf rules the program's messages are written in, but is type-safe:
// each argument is captured with its type, so "%s" given a number prints the number's text instead
// of reading a wild pointer. Supported: flags "-+ #0", width and precision (also "*"), the length
// modifiers h, hh, l, ll, I32, I64, j, z, t, q, L and the conversions d i u o x X c C s S p e E f F
// g G a A and %%. As in C, "%d" and "%x" without a modifier take the low 32 bits of the value, "%hX"
// the low 16; "%I64d" and "%lld" take all 64.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace qav {

// ---- UTF conversion -------------------------------------------------------------------------

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// UTF-16LE bytes (no byte-order mark handling) to text and back; an odd trailing byte is
// replaced by U+FFFD.
std::u16string Utf16LeBytesToText(const void* bytes, size_t byteCount);
std::string TextToUtf16LeBytes(std::u16string_view text);

// Shorthands for the common case of a literal or UTF-8 value crossing into program text.
inline std::u16string U16(std::string_view utf8) { return Utf8ToUtf16(utf8); }
inline std::string U8(std::u16string_view utf16) { return Utf16ToUtf8(utf16); }

// ---- Formatting ------------------------------------------------------------------------------

// One captured printf argument.
struct FormatArg {
  enum class Kind { kSigned, kUnsigned, kDouble, kText16, kText8, kPointer, kNullText };
  Kind kind = Kind::kSigned;
  int64_t i = 0;
  uint64_t u = 0;
  double d = 0.0;
  std::u16string_view text16;
  std::string_view text8;
  const void* pointer = nullptr;

  template <typename T>
    requires(std::is_integral_v<T> && std::is_signed_v<T>)
  FormatArg(T v) : kind(Kind::kSigned), i(v), u(static_cast<uint64_t>(static_cast<int64_t>(v))) {}
  template <typename T>
    requires(std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>)
  FormatArg(T v) : kind(Kind::kUnsigned), i(static_cast<int64_t>(v)), u(v) {}
  FormatArg(bool v) : kind(Kind::kSigned), i(v ? 1 : 0), u(v ? 1 : 0) {}
  FormatArg(char16_t v) : kind(Kind::kUnsigned), i(v), u(v) {}
  FormatArg(char v) : kind(Kind::kSigned), i(v), u(static_cast<unsigned char>(v)) {}
  template <typename T>
    requires std::is_enum_v<T>
  FormatArg(T v) : FormatArg(static_cast<std::underlying_type_t<T>>(v)) {}
  FormatArg(double v) : kind(Kind::kDouble), d(v) {}
  FormatArg(float v) : kind(Kind::kDouble), d(v) {}
  FormatArg(const std::u16string& s) : kind(Kind::kText16), text16(s) {}
  FormatArg(std::u16string_view s) : kind(Kind::kText16), text16(s) {}
  FormatArg(const char16_t* s) : kind(s ? Kind::kText16 : Kind::kNullText), text16(s ? s : u"") {}
  FormatArg(char16_t* s) : FormatArg(static_cast<const char16_t*>(s)) {}
  FormatArg(const std::string& s) : kind(Kind::kText8), text8(s) {}
  FormatArg(std::string_view s) : kind(Kind::kText8), text8(s) {}
  FormatArg(const char* s) : kind(s ? Kind::kText8 : Kind::kNullText), text8(s ? s : "") {}
  FormatArg(char* s) : FormatArg(static_cast<const char*>(s)) {}
  FormatArg(std::nullptr_t) : kind(Kind::kPointer), pointer(nullptr) {}
  template <typename T>
    requires(!std::is_same_v<std::remove_cv_t<T>, char> && !std::is_same_v<std::remove_cv_t<T>, char16_t>)
  FormatArg(T* p) : kind(Kind::kPointer), pointer(static_cast<const void*>(p)) {}
};

// Formats with the captured arguments. A conversion without an argument prints nothing; extra
// arguments are ignored. Never reads outside the arguments given.
std::u16string FormatArgs(std::u16string_view format, const FormatArg* args, size_t count);

template <typename... Args>
std::u16string Format(std::u16string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return FormatArgs(format, nullptr, 0);
  } else {
    const FormatArg captured[] = {FormatArg(args)...};
    return FormatArgs(format, captured, sizeof...(Args));
  }
}

// The same rules with a UTF-8 format and result, for the wire and for POSIX names.
template <typename... Args>
std::string FormatUtf8(std::string_view format, const Args&... args) {
  return Utf16ToUtf8(Format(Utf8ToUtf16(format), args...));
}

// ---- Case, trimming, comparison (ASCII rules, as the program's keys and protocol words need) ---

char16_t ToLowerAscii(char16_t c);
char16_t ToUpperAscii(char16_t c);
std::u16string ToLowerAscii(std::u16string_view s);
std::u16string ToUpperAscii(std::u16string_view s);
std::string ToLowerAscii(std::string_view s);
std::string ToUpperAscii(std::string_view s);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);
// <0, 0 or >0 like wcsicmp with ASCII folding.
int CompareNoCase(std::u16string_view a, std::u16string_view b);
bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix);

// White space as the class library's Trim sees it: space, TAB, CR, LF, VT and FF.
bool IsBlank(char16_t c);
std::u16string TrimLeft(std::u16string_view s);
std::u16string TrimRight(std::u16string_view s);
std::u16string Trim(std::u16string_view s);
std::string Trim(std::string_view s);

// Replaces every occurrence of `from` (not empty) by `to`.
std::u16string ReplaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to);
std::vector<std::u16string> Split(std::u16string_view s, char16_t separator);

// ---- Numbers -----------------------------------------------------------------------------------

// Strict parses: optional leading blanks, optional sign, digits (base 10, or base 16 with
// `ParseHex`), nothing after but blanks. Values outside the type give nullopt, never a wrapped
// number.
std::optional<int32_t> ParseInt32(std::u16string_view s);
std::optional<int64_t> ParseInt64(std::u16string_view s);
std::optional<uint32_t> ParseUInt32(std::u16string_view s);
std::optional<uint64_t> ParseUInt64(std::u16string_view s);
std::optional<int32_t> ParseInt32(std::string_view s);
std::optional<int64_t> ParseInt64(std::string_view s);
std::optional<uint32_t> ParseUInt32(std::string_view s);
std::optional<uint64_t> ParseHex(std::u16string_view s);

// Lenient C-library style reads (_wtoi, _wtoi64): leading blanks, sign, digits, stop at the first
// other character, 0 when there is no digit. Out-of-range values saturate instead of wrapping.
int32_t AtoI(std::u16string_view s);
int64_t AtoI64(std::u16string_view s);
int32_t AtoI(std::string_view s);

}  // namespace qav
