#include "net/mime_sniffer.h"

#include <array>
#include <utility>

namespace qav::net {
namespace {

// Signatures at offset 0, with the type names the program's peers know them by.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kSignatures = {{
    {std::string_view("PK\x03\x04", 4), "application/x-zip-compressed"},
    {std::string_view("\x1F\x8B", 2), "application/x-gzip-compressed"},
    {std::string_view("%PDF-", 5), "application/pdf"},
    {std::string_view("\x89PNG\r\n\x1A\n", 8), "image/x-png"},
    {std::string_view("GIF8", 4), "image/gif"},
    {std::string_view("\xFF\xD8\xFF", 3), "image/pjpeg"},
}};

bool LooksLikeText(std::string_view bytes) {
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f') return false;
  }
  return true;
}

}  // namespace

std::string SniffMimeType(std::string_view firstBytes) {
  firstBytes = firstBytes.substr(0, kMimeSniffBytes);
  for (const auto& [signature, type] : kSignatures) {
    if (firstBytes.starts_with(signature)) return std::string(type);
  }
  if (!firstBytes.empty() && LooksLikeText(firstBytes)) return "text/plain";
  return "application/octet-stream";
}

}  // namespace qav::net
