// XML as the program reads it back (saved conversation lists and settings exports): parsed, walked,
// written out again, and the written text parsed to the same text; and any text written as a value
// comes out as XML characters only.
#include <cstddef>
#include <cstdint>

#include "foundation/xml_document.h"
#include "fuzz/fuzz_support.h"
#include "platform/text.h"

namespace {

bool IsPlainName(std::u16string_view name) {
  if (name.empty()) return false;
  for (char16_t c : name) {
    const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                       c == u'_' || c == u'-' || c == u'.' || c == u':';
    if (!plain) return false;
  }
  return true;
}

// Walks the tree as a reader does; true when every element name is one the program could write.
bool Walk(const CXmlElement* element, size_t depth) {
  if (depth > CXmlDocument::kMaxDepth + 1) __builtin_trap();  // the parser's own limit
  element->GetAttribute(u"id");
  bool plain = depth == 0 || IsPlainName(element->GetName());
  for (size_t i = 0; i < element->GetChildCount(); ++i) plain = Walk(element->GetChild(i), depth + 1) && plain;
  return plain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t choice = qav::fuzz::TakeByte(input);
  // UTF-16 units or UTF-8 bytes, so both markup and any text inside it are reached.
  const std::u16string text = (choice & 1) ? qav::fuzz::Units(input) : qav::U16(input);
  // Whatever text a value holds, what the writer makes of it holds only XML characters.
  CXmlDocument written;
  written.AddElement(nullptr, u"r", text);
  const std::u16string xml = written.GetXml();
  for (size_t i = 0; i < xml.size(); ++i) {
    const char16_t c = xml[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < xml.size() && xml[i + 1] >= 0xDC00 && xml[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    const bool control = c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r';
    if (control || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF) __builtin_trap();
  }

  CXmlDocument document;
  if (!document.Parse(text)) return 0;
  const bool plainNames = Walk(document.GetRoot(), 0);
  // What the program writes of a document it read is a document it can read again. (Names and
  // control characters the parser takes as they come, though they are not XML; attributes stay raw
  // text; so the text read back need not be the same.)
  if (!plainNames) return 0;
  for (char16_t c : text) {
    if (c < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') return 0;
  }
  CXmlDocument again;
  if (!again.Parse(document.GetXml())) __builtin_trap();
  return 0;
}
