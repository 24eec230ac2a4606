#include "foundation/mail_password.h"

#include <cstdint>
#include <cstring>

#include "foundation/conversions.h"
#include "foundation/rijndael.h"
#include "platform/text.h"

namespace {

// The program's fixed key: passwords stored under another key cannot be read back.
constexpr char kPasswordKey[17] = "Zv#QAV!mail:k3y7";

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string CutWhole(std::string text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t keep = limit;
  while (keep > 0 && (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80) --keep;
  text.resize(keep);
  return text;
}

// Deciphers whole blocks; the text is the bytes up to the first zero, which must be whole UTF-8.
std::optional<std::u16string> Decipher(const uint8_t* data, size_t length) {
  uint8_t plain[kMailPasswordBlock * 2] = {};
  try {
    CRijndael aes;
    aes.InitKey(reinterpret_cast<const uint8_t*>(kPasswordKey), nullptr, 16, 16);
    aes.Decrypt(data, plain, length, CRijndael::ECB);
  } catch (const CRijndaelException&) {
    return std::nullopt;
  }
  const size_t textLength = strnlen(reinterpret_cast<const char*>(plain), length);
  const std::string bytes(reinterpret_cast<const char*>(plain), textLength);
  std::u16string text = qav::Utf8ToUtf16(bytes);
  if (qav::Utf16ToUtf8(text) != bytes) return std::nullopt;  // not whole UTF-8: a wrong key or a damaged value
  return text;
}

bool AllHexDigits(std::u16string_view text) {
  for (char16_t c : text) {
    const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    if (!hex) return false;
  }
  return true;
}

}  // namespace

std::u16string EncodeMailPassword(std::u16string_view password) {
  if (password.empty()) return u"";
  const std::string text = CutWhole(qav::U8(password), kMailPasswordBlock);
  uint8_t block[kMailPasswordBlock] = {};
  std::memcpy(block, text.data(), text.size());
  uint8_t cipher[kMailPasswordBlock];
  try {
    CRijndael aes;
    aes.InitKey(reinterpret_cast<const uint8_t*>(kPasswordKey), nullptr, 16, 16);
    aes.Encrypt(block, cipher, sizeof block, CRijndael::ECB);
  } catch (const CRijndaelException&) {
    return u"";
  }
  return BytesToHex(cipher, sizeof cipher);
}

std::optional<std::u16string> DecodeMailPassword(std::u16string_view stored,
                                                 const std::function<std::string()>& readOldFormBytes) {
  if (stored.size() == kMailPasswordBlock * 2) {
    if (!AllHexDigits(stored)) return std::nullopt;
    uint8_t cipher[kMailPasswordBlock];
    if (HexToBytes(stored, cipher, static_cast<int>(sizeof cipher)) != static_cast<int>(sizeof cipher)) {
      return std::nullopt;
    }
    return Decipher(cipher, sizeof cipher);
  }
  if (stored.size() > kMailPasswordBlock) {
    const std::string raw = readOldFormBytes ? readOldFormBytes() : std::string();
    // The older form is 128 raw bytes; a shorter value is damaged and is not read past its end.
    if (raw.size() < kMailPasswordBlock * 2) return std::nullopt;
    return Decipher(reinterpret_cast<const uint8_t*>(raw.data()), kMailPasswordBlock * 2);
  }
  return std::u16string(stored);
}
