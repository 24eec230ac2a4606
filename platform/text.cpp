#include "platform/text.h"

#include <cinttypes>
#include <cmath>
#include <climits>
#include <cstdio>
#include <limits>

namespace qav {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view in) {
  // Every byte gives at most one unit (a four-byte sequence gives two, a bad byte one replacement),
  // so the units are written into room made once: the call client's lines are decoded here, one by
  // one, at thousands a second.
  std::u16string out(in.size(), u'\0');
  char16_t* const begin = out.data();
  char16_t* o = begin;
  size_t i = 0;
  const size_t n = in.size();
  while (i < n) {
    const unsigned char b0 = static_cast<unsigned char>(in[i]);
    if (b0 < 0x80) {
      *o++ = b0;
      ++i;
      continue;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      extra = 1, cp = b0 & 0x1F, minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      extra = 2, cp = b0 & 0x0F, minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      extra = 3, cp = b0 & 0x07, minimum = 0x10000;
    } else {
      *o++ = static_cast<char16_t>(kReplacement);
      ++i;
      continue;
    }
    size_t j = i + 1;
    int taken = 0;
    while (taken < extra && j < n && (static_cast<unsigned char>(in[j]) & 0xC0) == 0x80) {
      cp = (cp << 6) | (static_cast<unsigned char>(in[j]) & 0x3F);
      ++j;
      ++taken;
    }
    if (taken < extra || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      // One replacement for the maximal bad prefix, then resynchronise on the next byte.
      *o++ = static_cast<char16_t>(kReplacement);
      i = j;
      continue;
    }
    if (cp < 0x10000) {
      *o++ = static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
    i = j;
  }
  out.resize(static_cast<size_t>(o - begin));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t c = in[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
        ++i;
      } else {
        c = kReplacement;
      }
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string Utf16LeBytesToText(const void* bytes, size_t byteCount) {
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  std::u16string out;
  out.reserve(byteCount / 2 + 1);
  for (size_t i = 0; i + 1 < byteCount; i += 2) out.push_back(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
  if (byteCount % 2) out.push_back(static_cast<char16_t>(kReplacement));
  return out;
}

std::string TextToUtf16LeBytes(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

// ---- Formatting ------------------------------------------------------------------------------

namespace {

struct Spec {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  int width = -1;
  int precision = -1;
  enum class Length { kDefault, kChar, kShort, kLong, k64 } length = Length::kDefault;
  bool longDouble = false;
  char16_t conv = 0;
};

void Pad(std::u16string& out, size_t count, char16_t c) { out.append(count, c); }

void AppendJustified(std::u16string& out, std::u16string_view body, const Spec& spec) {
  const size_t width = spec.width > 0 ? static_cast<size_t>(spec.width) : 0;
  if (body.size() >= width) {
    out.append(body);
  } else if (spec.left) {
    out.append(body);
    Pad(out, width - body.size(), u' ');
  } else {
    Pad(out, width - body.size(), u' ');
    out.append(body);
  }
}

// A double given to an integer conversion: cut towards zero and held to the range the conversion
// can show (an unsigned one takes up to 2^64 - 1); NaN is 0. A language file's format can pair any
// conversion with any argument, so every pairing needs a defined result.
uint64_t DoubleToIntegerBits(double value, bool isUnsigned) {
  constexpr double kTwoTo63 = 9223372036854775808.0;
  constexpr double kTwoTo64 = 18446744073709551616.0;
  if (std::isnan(value)) return 0;
  if (value >= kTwoTo63) {
    if (!isUnsigned) return static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    return value >= kTwoTo64 ? std::numeric_limits<uint64_t>::max() : static_cast<uint64_t>(value);
  }
  if (value < -kTwoTo63) return static_cast<uint64_t>(std::numeric_limits<int64_t>::min());
  return static_cast<uint64_t>(static_cast<int64_t>(value));
}

// Integer conversions go through the C library on a narrow format rebuilt from the parsed flags, so the
// flag interplay (precision versus zero padding, "#" with 0, ...) is exactly C's.
void AppendInteger(std::u16string& out, const Spec& spec, const FormatArg& arg) {
  const bool isSigned = spec.conv == u'd' || spec.conv == u'i';
  uint64_t bits = arg.kind == FormatArg::Kind::kDouble ? DoubleToIntegerBits(arg.d, !isSigned) : arg.u;
  if (arg.kind == FormatArg::Kind::kPointer) bits = reinterpret_cast<uintptr_t>(arg.pointer);
  if (arg.kind == FormatArg::Kind::kText16 || arg.kind == FormatArg::Kind::kText8 ||
      arg.kind == FormatArg::Kind::kNullText) {
    bits = 0;
  }
  std::string fmt = "%";
  if (spec.left) fmt += '-';
  if (spec.plus) fmt += '+';
  if (spec.space) fmt += ' ';
  if (spec.alt) fmt += '#';
  if (spec.zero) fmt += '0';
  if (spec.width >= 0) fmt += std::to_string(spec.width);
  if (spec.precision >= 0) {
    fmt += '.';
    fmt += std::to_string(spec.precision);
  }
  char buffer[160];
  const char conv = static_cast<char>(spec.conv);
  switch (spec.length) {
    case Spec::Length::kChar:
      if (isSigned) {
        std::snprintf(buffer, sizeof buffer, (fmt + "hh" + conv).c_str(), static_cast<signed char>(bits));
      } else {
        std::snprintf(buffer, sizeof buffer, (fmt + "hh" + conv).c_str(), static_cast<unsigned char>(bits));
      }
      break;
    case Spec::Length::kShort:
      if (isSigned) {
        std::snprintf(buffer, sizeof buffer, (fmt + "h" + conv).c_str(), static_cast<short>(bits));
      } else {
        std::snprintf(buffer, sizeof buffer, (fmt + "h" + conv).c_str(), static_cast<unsigned short>(bits));
      }
      break;
    case Spec::Length::k64:
      if (isSigned) {
        std::snprintf(buffer, sizeof buffer, (fmt + "ll" + conv).c_str(), static_cast<long long>(bits));
      } else {
        std::snprintf(buffer, sizeof buffer, (fmt + "ll" + conv).c_str(), static_cast<unsigned long long>(bits));
      }
      break;
    case Spec::Length::kDefault:
    case Spec::Length::kLong:  // long is 32 bits in the programs these formats were written for
      if (isSigned) {
        std::snprintf(buffer, sizeof buffer, (fmt + conv).c_str(), static_cast<int32_t>(bits));
      } else {
        std::snprintf(buffer, sizeof buffer, (fmt + conv).c_str(), static_cast<uint32_t>(bits));
      }
      break;
  }
  for (const char* p = buffer; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
}

void AppendFloat(std::u16string& out, const Spec& spec, const FormatArg& arg) {
  double value = arg.d;
  if (arg.kind == FormatArg::Kind::kSigned) value = static_cast<double>(arg.i);
  if (arg.kind == FormatArg::Kind::kUnsigned) value = static_cast<double>(arg.u);
  std::string fmt = "%";
  if (spec.left) fmt += '-';
  if (spec.plus) fmt += '+';
  if (spec.space) fmt += ' ';
  if (spec.alt) fmt += '#';
  if (spec.zero) fmt += '0';
  if (spec.width >= 0) fmt += std::to_string(std::min(spec.width, 100));
  if (spec.precision >= 0) {
    fmt += '.';
    fmt += std::to_string(std::min(spec.precision, 100));
  }
  fmt += static_cast<char>(spec.conv);
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, fmt.c_str(), value);
  for (const char* p = buffer; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
}

void AppendText(std::u16string& out, const Spec& spec, const FormatArg& arg) {
  std::u16string converted;
  std::u16string_view body;
  switch (arg.kind) {
    case FormatArg::Kind::kText16:
      body = arg.text16;
      break;
    case FormatArg::Kind::kText8:
      converted = Utf8ToUtf16(arg.text8);
      body = converted;
      break;
    case FormatArg::Kind::kNullText:
      body = u"(null)";
      break;
    case FormatArg::Kind::kSigned:
    case FormatArg::Kind::kUnsigned:
    case FormatArg::Kind::kDouble:
    case FormatArg::Kind::kPointer: {
      // A number given for "%s": print it rather than guess at memory.
      Spec numeric;
      numeric.conv = arg.kind == FormatArg::Kind::kDouble ? u'g' : (arg.kind == FormatArg::Kind::kSigned ? u'd' : u'u');
      if (arg.kind == FormatArg::Kind::kPointer) numeric.conv = u'p';
      numeric.length = Spec::Length::k64;
      if (numeric.conv == u'g') {
        AppendFloat(converted, numeric, arg);
      } else if (numeric.conv == u'p') {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%p", arg.pointer);
        for (const char* p = buffer; *p; ++p) converted.push_back(static_cast<unsigned char>(*p));
      } else {
        AppendInteger(converted, numeric, arg);
      }
      body = converted;
      break;
    }
  }
  if (spec.precision >= 0 && static_cast<size_t>(spec.precision) < body.size()) {
    body = body.substr(0, static_cast<size_t>(spec.precision));
  }
  AppendJustified(out, body, spec);
}

}  // namespace

std::u16string FormatArgs(std::u16string_view format, const FormatArg* args, size_t count) {
  std::u16string out;
  out.reserve(format.size() + 16 * count);
  size_t next = 0;
  auto take = [&]() -> const FormatArg* { return next < count ? &args[next++] : nullptr; };
  size_t i = 0;
  const size_t n = format.size();
  while (i < n) {
    const char16_t c = format[i];
    if (c != u'%') {
      out.push_back(c);
      ++i;
      continue;
    }
    const size_t start = i++;
    if (i < n && format[i] == u'%') {
      out.push_back(u'%');
      ++i;
      continue;
    }
    Spec spec;
    for (; i < n; ++i) {
      const char16_t f = format[i];
      if (f == u'-') spec.left = true;
      else if (f == u'+') spec.plus = true;
      else if (f == u' ') spec.space = true;
      else if (f == u'#') spec.alt = true;
      else if (f == u'0') spec.zero = true;
      else break;
    }
    auto readNumber = [&](int& target) {
      if (i < n && format[i] == u'*') {
        ++i;
        const FormatArg* a = take();
        int64_t v = a ? a->i : 0;
        if (v < 0 && &target == &spec.width) {
          // A negative width means "left-justified"; the most negative value has no positive twin
          // and is capped like every other large width below.
          spec.left = true;
          v = v < -4096 ? 4096 : -v;
        }
        target = v < 0 ? -1 : static_cast<int>(std::min<int64_t>(v, 4096));
        return;
      }
      if (i < n && format[i] >= u'0' && format[i] <= u'9') {
        int64_t v = 0;
        while (i < n && format[i] >= u'0' && format[i] <= u'9') {
          v = std::min<int64_t>(v * 10 + (format[i] - u'0'), 4096);
          ++i;
        }
        target = static_cast<int>(v);
      }
    };
    readNumber(spec.width);
    if (i < n && format[i] == u'.') {
      ++i;
      spec.precision = 0;
      readNumber(spec.precision);
    }
    // Length modifiers.
    if (i < n) {
      const std::u16string_view rest = format.substr(i);
      if (rest.starts_with(u"I64")) spec.length = Spec::Length::k64, i += 3;
      else if (rest.starts_with(u"I32")) spec.length = Spec::Length::kDefault, i += 3;
      else if (rest.starts_with(u"hh")) spec.length = Spec::Length::kChar, i += 2;
      else if (rest.starts_with(u"ll")) spec.length = Spec::Length::k64, i += 2;
      else if (rest[0] == u'h') spec.length = Spec::Length::kShort, ++i;
      else if (rest[0] == u'l') spec.length = Spec::Length::kLong, ++i;
      else if (rest[0] == u'j' || rest[0] == u'z' || rest[0] == u't' || rest[0] == u'q' || rest[0] == u'I')
        spec.length = Spec::Length::k64, ++i;
      else if (rest[0] == u'L') spec.longDouble = true, ++i;
    }
    if (i >= n) {
      out.append(format.substr(start));  // a dangling "%" is kept as written
      break;
    }
    spec.conv = format[i++];
    switch (spec.conv) {
      case u'd':
      case u'i':
      case u'u':
      case u'o':
      case u'x':
      case u'X': {
        const FormatArg* a = take();
        if (a) AppendInteger(out, spec, *a);
        break;
      }
      case u'e':
      case u'E':
      case u'f':
      case u'F':
      case u'g':
      case u'G':
      case u'a':
      case u'A': {
        const FormatArg* a = take();
        if (a) AppendFloat(out, spec, *a);
        break;
      }
      case u'c':
      case u'C': {
        const FormatArg* a = take();
        if (a) {
          const char16_t ch = static_cast<char16_t>(a->u & 0xFFFF);
          AppendJustified(out, std::u16string_view(&ch, 1), spec);
        }
        break;
      }
      case u's':
      case u'S': {
        const FormatArg* a = take();
        if (a) AppendText(out, spec, *a);
        break;
      }
      case u'p': {
        const FormatArg* a = take();
        if (a) {
          char buffer[32];
          const uintptr_t v = a->kind == FormatArg::Kind::kPointer ? reinterpret_cast<uintptr_t>(a->pointer)
                                                                   : static_cast<uintptr_t>(a->u);
          // Fixed-width upper-case hex, as the program's traces have always shown pointers.
          std::snprintf(buffer, sizeof buffer, "%0*" PRIXPTR, static_cast<int>(sizeof(void*) * 2), v);
          std::u16string body;
          for (const char* p = buffer; *p; ++p) body.push_back(static_cast<unsigned char>(*p));
          AppendJustified(out, body, spec);
        }
        break;
      }
      case u'n':
        take();  // never written through
        break;
      default:
        out.append(format.substr(start, i - start));  // unknown conversion: kept as written
        break;
    }
  }
  return out;
}

// ---- Case and trimming ----------------------------------------------------------------------

char16_t ToLowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }
char16_t ToUpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

std::u16string ToLowerAscii(std::u16string_view s) {
  std::u16string r(s);
  for (auto& c : r) c = ToLowerAscii(c);
  return r;
}
std::u16string ToUpperAscii(std::u16string_view s) {
  std::u16string r(s);
  for (auto& c : r) c = ToUpperAscii(c);
  return r;
}
std::string ToLowerAscii(std::string_view s) {
  std::string r(s);
  for (auto& c : r) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return r;
}
std::string ToUpperAscii(std::string_view s) {
  std::string r(s);
  for (auto& c : r) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  return r;
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = ToLowerAscii(a[i]);
    const char16_t y = ToLowerAscii(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ToLowerAscii(static_cast<char16_t>(static_cast<unsigned char>(a[i]))) !=
        ToLowerAscii(static_cast<char16_t>(static_cast<unsigned char>(b[i])))) {
      return false;
    }
  }
  return true;
}

bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

std::u16string TrimLeft(std::u16string_view s) {
  size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return std::u16string(s.substr(b));
}

std::u16string TrimRight(std::u16string_view s) {
  size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return std::u16string(s.substr(0, e));
}

std::u16string Trim(std::u16string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::u16string(s.substr(b, e - b));
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  auto blank = [](char c) { return IsBlank(static_cast<unsigned char>(c)); };
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::u16string ReplaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to) {
  if (from.empty()) return std::u16string(s);
  std::u16string out;
  size_t pos = 0;
  while (true) {
    const size_t hit = s.find(from, pos);
    if (hit == std::u16string_view::npos) break;
    out.append(s.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(s.substr(pos));
  return out;
}

std::vector<std::u16string> Split(std::u16string_view s, char16_t separator) {
  std::vector<std::u16string> parts;
  size_t pos = 0;
  while (true) {
    const size_t hit = s.find(separator, pos);
    if (hit == std::u16string_view::npos) {
      parts.emplace_back(s.substr(pos));
      break;
    }
    parts.emplace_back(s.substr(pos, hit - pos));
    pos = hit + 1;
  }
  return parts;
}

// ---- Numbers ---------------------------------------------------------------------------------

namespace {

template <typename Char>
bool IsSpace(Char c) {
  return IsBlank(static_cast<char16_t>(c));
}

// Reads sign and magnitude; `strict` refuses anything but trailing blanks after the digits.
template <typename Char>
bool ReadMagnitude(std::basic_string_view<Char> s, int base, bool strict, bool& negative, uint64_t& magnitude,
                   bool& overflow, bool& anyDigit) {
  size_t i = 0;
  negative = false;
  magnitude = 0;
  overflow = false;
  anyDigit = false;
  while (i < s.size() && IsSpace(s[i])) ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  for (; i < s.size(); ++i) {
    const auto c = s[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else break;
    anyDigit = true;
    if (magnitude > (std::numeric_limits<uint64_t>::max() - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
      overflow = true;
    } else {
      magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
  }
  if (strict) {
    while (i < s.size() && IsSpace(s[i])) ++i;
    if (i != s.size()) return false;
  }
  return anyDigit;
}

template <typename T, typename Char>
std::optional<T> StrictParse(std::basic_string_view<Char> s, int base = 10) {
  bool negative, overflow, anyDigit;
  uint64_t magnitude;
  if (!ReadMagnitude(s, base, true, negative, magnitude, overflow, anyDigit) || overflow) return std::nullopt;
  if constexpr (std::is_signed_v<T>) {
    const uint64_t limit = negative ? static_cast<uint64_t>(std::numeric_limits<T>::max()) + 1
                                    : static_cast<uint64_t>(std::numeric_limits<T>::max());
    if (magnitude > limit) return std::nullopt;
    if (negative) return static_cast<T>(-static_cast<int64_t>(magnitude - 1) - 1);
    return static_cast<T>(magnitude);
  } else {
    if (negative && magnitude != 0) return std::nullopt;
    if (magnitude > std::numeric_limits<T>::max()) return std::nullopt;
    return static_cast<T>(magnitude);
  }
}

template <typename T, typename Char>
T LenientParse(std::basic_string_view<Char> s) {
  bool negative, overflow, anyDigit;
  uint64_t magnitude;
  ReadMagnitude(s, 10, false, negative, magnitude, overflow, anyDigit);
  if (!anyDigit) return 0;
  if (negative) {
    const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<T>::max()) + 1;
    if (overflow || magnitude >= limit) return std::numeric_limits<T>::min();
    return static_cast<T>(-static_cast<int64_t>(magnitude));
  }
  if (overflow || magnitude > static_cast<uint64_t>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(magnitude);
}

}  // namespace

std::optional<int32_t> ParseInt32(std::u16string_view s) { return StrictParse<int32_t>(s); }
std::optional<int64_t> ParseInt64(std::u16string_view s) { return StrictParse<int64_t>(s); }
std::optional<uint32_t> ParseUInt32(std::u16string_view s) { return StrictParse<uint32_t>(s); }
std::optional<uint64_t> ParseUInt64(std::u16string_view s) { return StrictParse<uint64_t>(s); }
std::optional<int32_t> ParseInt32(std::string_view s) { return StrictParse<int32_t>(s); }
std::optional<int64_t> ParseInt64(std::string_view s) { return StrictParse<int64_t>(s); }
std::optional<uint32_t> ParseUInt32(std::string_view s) { return StrictParse<uint32_t>(s); }
std::optional<uint64_t> ParseHex(std::u16string_view s) { return StrictParse<uint64_t>(s, 16); }

int32_t AtoI(std::u16string_view s) { return LenientParse<int32_t>(s); }
int64_t AtoI64(std::u16string_view s) { return LenientParse<int64_t>(s); }
int32_t AtoI(std::string_view s) { return LenientParse<int32_t>(s); }

}  // namespace qav
