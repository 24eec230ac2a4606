#include "net/http_encoder.h"

#include "net/http_client_exception.h"
#include "net/http_error_table.h"
#include "platform/text.h"

namespace Vemra {
namespace {

bool StaysAsIs(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

void CheckAnsiCodePage(uint32_t codePage, std::u16string_view operation) {
  if (codePage == kCodePageUtf8 || codePage == kCodePageUtf7) {
    ThrowHttpArgument(std::u16string(u"CHttpEncoderW::") + std::u16string(operation) +
                      u": CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter.");
  }
  // The system's code page is the only 8-bit one this platform converts to.
  if (codePage != kCodePageSystem) ThrowHttpError(kHttpErrorToCodePage);
}

uint32_t Length(const std::string& bytes) { return CheckedAdd(0, bytes.size()); }

}  // namespace

uint32_t CHttpEncoderW::AnsiEncodeLen(std::u16string_view text, uint32_t codePage) {
  return Length(AnsiEncode(text, codePage));
}

std::string CHttpEncoderW::AnsiEncode(std::u16string_view text, uint32_t codePage) {
  CheckAnsiCodePage(codePage, u"AnsiEncode");
  return qav::Utf16ToUtf8(text);
}

uint32_t CHttpEncoderW::Utf8EncodeLen(std::u16string_view text) { return Length(Utf8Encode(text)); }

std::string CHttpEncoderW::Utf8Encode(std::u16string_view text) { return qav::Utf16ToUtf8(text); }

std::string CHttpEncoderW::Encode8(std::u16string_view text, bool useUtf8, uint32_t codePage) {
  return useUtf8 ? Utf8Encode(text) : AnsiEncode(text, codePage);
}

uint32_t CHttpEncoderW::UrlEncodeLen(std::u16string_view text, bool useUtf8, uint32_t codePage) {
  uint32_t length = 0;
  for (const char c : Encode8(text, useUtf8, codePage)) {
    const auto byte = static_cast<unsigned char>(c);
    length = CheckedAdd(length, StaysAsIs(byte) || byte == ' ' ? 1 : 3);
  }
  return length;
}

std::string CHttpEncoderW::UrlEncodeA(std::u16string_view text, bool useUtf8, uint32_t codePage) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : Encode8(text, useUtf8, codePage)) {
    const auto byte = static_cast<unsigned char>(c);
    if (StaysAsIs(byte)) {
      out += c;
    } else if (byte == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

std::u16string CHttpEncoderW::UrlEncodeW(std::u16string_view text, bool useUtf8, uint32_t codePage) {
  const std::string bytes = UrlEncodeA(text, useUtf8, codePage);
  return std::u16string(bytes.begin(), bytes.end());
}

}  // namespace Vemra
