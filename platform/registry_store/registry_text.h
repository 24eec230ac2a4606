// UTF-8/UTF-16 conversion for the registry store.
//
// The store may not depend on the project's text module (the webcam control library compiles the
// store in on its own), so it carries this small pair itself. Invalid input becomes U+FFFD, one
// replacement per bad sequence, as in the text module.
#pragma once

#include <string>
#include <string_view>

namespace qav {

std::u16string RegistryUtf8ToUtf16(std::string_view utf8);
std::string RegistryUtf16ToUtf8(std::u16string_view utf16);

// Appends the UTF-8 form of one code point (a lone surrogate is written as U+FFFD).
void RegistryAppendUtf8(std::string& out, char32_t codePoint);

}  // namespace qav
