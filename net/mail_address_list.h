// Recipient lists as the user types them into the e-mail settings: addresses separated by ","
// or ";", each either "user@host" or "Name <user@host>".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qav::net {

// The addresses of the list, in UTF-8, trimmed; empty entries dropped. Line breaks and other
// control characters inside an entry become blanks, so an entry can never end a header line.
std::vector<std::string> SplitMailAddresses(std::u16string_view list);

// The bare address for the SMTP envelope (MAIL FROM, RCPT TO): the text between "<" and ">" when
// there is one, else the whole entry. "" when that is not a usable address: empty, without "@",
// longer than kLongestMailAddress, or with blanks, controls or angle brackets in it.
inline constexpr size_t kLongestMailAddress = 254;
std::string EnvelopeAddress(std::string_view entry);

}  // namespace qav::net
