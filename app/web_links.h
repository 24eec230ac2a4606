// The addresses of the maker's web site that the program opens or asks, with their query values
// percent-encoded (a language code, a version or a user's display name must never change the
// address they are put into).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The maker's web site: $QAV_WEB_BASE when set (with a trailing "/" ensured), else the maker's
// own address. The product's area is this + "qav/".
std::u16string MakerWebSiteAddress();

// Percent-encodes text (as UTF-8) for a query value: everything but letters, digits and "-._~".
std::u16string PercentEncode(std::u16string_view text);

using QueryValues = std::vector<std::pair<std::u16string, std::u16string>>;

// base + "qav/" + page + "?" + the name=value pairs joined by "&", each value percent-encoded.
std::u16string ProductPageLink(std::u16string_view page, const QueryValues& query);
