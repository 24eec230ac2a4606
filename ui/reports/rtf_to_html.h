// The rich-text headings of the program's language files are RTF. Qt shows HTML, so the small part
// of RTF those headings use is turned into HTML here: groups, bold, italic, underline, paragraph
// and line breaks, tabs, escaped characters (\\ \{ \} \'hh \uN). Destinations (font and colour
// tables, "\*" groups) and every other control word are dropped; text is HTML-escaped.
#pragma once

#include <string>
#include <string_view>

// The language loader turns "\n", "\r" and "\t" in a text into their control characters, which
// breaks RTF control words such as "\rtf1" and "\tab": this puts the two characters back.
std::u16string RestoreRtfEscapes(std::u16string_view text);

std::u16string RtfToHtml(std::u16string_view rtf);
