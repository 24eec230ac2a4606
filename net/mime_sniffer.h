// The MIME type of an uploaded file, guessed from its first bytes (at most 256 are looked at):
// a few well-known signatures, plain text, or "application/octet-stream".
#pragma once

#include <string>
#include <string_view>

namespace qav::net {

inline constexpr size_t kMimeSniffBytes = 256;

std::string SniffMimeType(std::string_view firstBytes);

}  // namespace qav::net
