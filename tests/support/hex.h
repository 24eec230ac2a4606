// Bytes as lower-case hex digits and back, for tests and their helper processes that pass binary
// data through text.
#pragma once

#include <string>
#include <string_view>

namespace qav::test {

std::string HexBytes(std::string_view bytes);
// Pairs of hex digits back to bytes; an odd last digit or a non-digit ends the result.
std::string BytesFromHex(std::string_view hex);

}  // namespace qav::test
