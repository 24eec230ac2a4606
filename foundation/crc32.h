// CRC-32 as IEEE 802.3 and ZIP define it: reflected polynomial 0xEDB88320, initial value
// 0xFFFFFFFF, final complement. CRC-32("123456789") is 0xCBF43926.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class CCrc32 {
 public:
  // The CRC-32 of `length` bytes. Returns 0.
  static int ComputeBufferCrc(const void* bytes, size_t length, uint32_t& crc);
  // The CRC-32 over the low byte of each character of the text (the server envelope is ASCII, so
  // these are its bytes). The text ends at its first NUL, if any. Returns 0.
  static int ComputeStringCrc(std::u16string_view text, uint32_t& crc);

  // Continues a running CRC-32 over more bytes: start with 0, feed the pieces in order; the result
  // after the last piece is the CRC-32 of all of them.
  static uint32_t Update(uint32_t crc, const void* bytes, size_t length);
};
