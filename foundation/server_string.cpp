#include "foundation/server_string.h"

#include <optional>
#include <random>

#include "foundation/base64.h"
#include "foundation/crc32.h"
#include "foundation/logger.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace {

constexpr size_t kChecksumDigits = 8;
constexpr size_t kKeyDigits = 2;

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Exactly the given digits as a number, or nullopt when any of them is not hexadecimal.
std::optional<uint32_t> ReadHexDigits(std::u16string_view digits) {
  uint32_t value = 0;
  for (char16_t c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  return value;
}

}  // namespace

std::u16string EncodeServerString(std::u16string_view text) {
  std::minstd_rand generator(static_cast<uint32_t>(qav::CurrentClock().Now().seconds));
  return EncodeServerString(text, static_cast<uint8_t>(generator() & 0xFF));
}

std::u16string EncodeServerString(std::u16string_view text, uint8_t key) {
  std::string bytes = qav::Utf16ToUtf8(text);
  for (char& b : bytes) b = static_cast<char>(static_cast<uint8_t>(b) ^ key);
  const std::u16string rest = qav::Format(u"%2.2x", key) + qav::Utf8ToUtf16(qav::Base64Encode(bytes));
  uint32_t crc = 0;
  CCrc32::ComputeStringCrc(rest, crc);
  return qav::Format((crc & 2) ? u"%8.8x" : u"%8.8X", crc) + rest;
}

std::u16string DecodeServerString(std::u16string_view envelope) {
  if (envelope.size() < kChecksumDigits + kKeyDigits) {
    QAV_LOG(LOG_WARNING, u"CServerAccess: Envelope too short (%d characters)", envelope.size());
    return {};
  }
  const std::optional<uint32_t> checksum = ReadHexDigits(envelope.substr(0, kChecksumDigits));
  if (!checksum) {
    QAV_LOG(LOG_WARNING, u"CServerAccess: Checksum is not hexadecimal");
    return {};
  }
  const std::u16string_view rest = envelope.substr(kChecksumDigits);
  uint32_t crc = 0;
  CCrc32::ComputeStringCrc(rest, crc);
  // A NUL inside the envelope would end the CRC early and let the rest go unchecked.
  if (crc != *checksum || rest.find(u'\0') != std::u16string_view::npos) {
    QAV_LOG(LOG_WARNING, u"CServerAccess: Failed CRC");
    return {};
  }
  const std::optional<uint32_t> key = ReadHexDigits(rest.substr(0, kKeyDigits));
  if (!key) {
    QAV_LOG(LOG_WARNING, u"CServerAccess: Key is not hexadecimal");
    return {};
  }
  const std::u16string_view body = rest.substr(kKeyDigits);
  std::string base64;
  base64.reserve(body.size());
  for (char16_t c : body) {
    // Only ASCII belongs in the body; a wider character must not pass as its low byte.
    if (c > 0x7F) {
      QAV_LOG(LOG_WARNING, u"CServerAccess: Bad Base64 in envelope");
      return {};
    }
    base64.push_back(static_cast<char>(c));
  }
  std::optional<std::string> bytes = qav::Base64Decode(base64);
  if (!bytes) {
    QAV_LOG(LOG_WARNING, u"CServerAccess: Bad Base64 in envelope");
    return {};
  }
  for (char& b : *bytes) b = static_cast<char>(static_cast<uint8_t>(b) ^ *key);
  return qav::Utf8ToUtf16(*bytes);
}
