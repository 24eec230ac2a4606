#include "net/mail_address_list.h"

#include "platform/text.h"

namespace qav::net {
namespace {

std::string BlankControls(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return out;
}

}  // namespace

std::vector<std::string> SplitMailAddresses(std::u16string_view list) {
  std::vector<std::string> addresses;
  const std::string utf8 = BlankControls(Utf16ToUtf8(list));
  size_t start = 0;
  while (start <= utf8.size()) {
    const size_t end = utf8.find_first_of(",;", start);
    const std::string entry = Trim(std::string_view(utf8).substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!entry.empty()) addresses.push_back(entry);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return addresses;
}

std::string EnvelopeAddress(std::string_view entry) {
  std::string_view address = entry;
  const size_t open = entry.rfind('<');
  if (open != std::string_view::npos) {
    const size_t close = entry.find('>', open);
    if (close == std::string_view::npos) return "";
    address = entry.substr(open + 1, close - open - 1);
  }
  const std::string trimmed = Trim(address);
  // RFC 5321 allows a path of 256 characters with its brackets: a longer address is no address.
  if (trimmed.empty() || trimmed.size() > kLongestMailAddress || trimmed.find('@') == std::string::npos) return "";
  for (char c : trimmed) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F || c == '<' || c == '>' || c == ',' || c == ';') return "";
  }
  return trimmed;
}

}  // namespace qav::net
