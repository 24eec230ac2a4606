// The server string envelope: a text wrapped for storage and for the exchange with the maker's
// web server.
//
//   checksum (8 hex digits) | key (2 lower-case hex digits) | body (Base64)
//
// The body is the text's UTF-8 bytes, each XORed with the key byte, in standard Base64. The
// checksum is the CRC-32 of key and body, written in lower case when bit 1 (value 2) of the CRC is
// set and in upper case otherwise; the reader takes digits of either case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Wraps the text with a key drawn from a generator seeded with the current time in seconds (two
// calls within one second use the same key).
std::u16string EncodeServerString(std::u16string_view text);
// Wraps the text with the given key.
std::u16string EncodeServerString(std::u16string_view text, uint8_t key);

// Unwraps an envelope. Envelopes come from the network, so every damage gives "" with a warning
// in the log: fewer than 10 characters, a checksum or key that is not made of hexadecimal digits,
// a CRC that does not match ("CServerAccess: Failed CRC"), or a body that is not valid Base64.
std::u16string DecodeServerString(std::u16string_view envelope);
