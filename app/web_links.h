// The addresses of the maker's web site that the program opens or asks, with their query values
// percent-encoded (a language code, a version or a user's display name must never change the
// address they are put into), and the rule for what may be handed to the desktop's opener.
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

// Whether the link is a web address the desktop's opener may be given: "http://" or "https://"
// (the scheme in any case) with something after it, and no control character. Every link the
// program opens in the browser passes this first, above all those from outside data (the
// server's download link, a balloon's link): any other scheme ("file:", "javascript:", a desktop
// entry), a bare path, and a text the opener would read as an option ("--help") are refused.
bool IsWebAddress(std::u16string_view link);

// The "file://" address of an absolute local path, its bytes percent-encoded but for letters,
// digits, "-._~" and "/"; "" for a path that is not absolute. For the program's own files and
// folders only (a recordings folder, the language file), never for a link from outside data.
std::u16string LocalFileAddress(std::u16string_view path);
