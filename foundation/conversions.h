// Hexadecimal conversions and the plain text copy the program's helpers use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The value of up to four leading hexadecimal digits (either case); reading stops at the first
// other character or after four digits. No digit gives 0. "1F" is 31, "12345" is 0x1234.
int HexToInt(std::u16string_view text);

// Two hexadecimal digits per byte (each pair read as HexToInt reads it), at most `maximum` bytes;
// an odd last digit is ignored. Returns the number of bytes written.
int HexToBytes(std::u16string_view hex, uint8_t* bytes, int maximum);

// Upper-case hexadecimal, two digits per byte, no separators: {0x0A, 0xFF} gives "0AFF".
std::u16string BytesToHex(const uint8_t* bytes, size_t length);

// Copies the text into the string. Returns 1.
int CopyToString(std::u16string_view text, std::u16string& out);
