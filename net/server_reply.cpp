#include "net/server_reply.h"

#include <algorithm>

#include "platform/text.h"

namespace {

// The leading number of the text in the radix, as wcstol reads it (blanks, sign, digits; a value
// beyond 32 bits is held at the nearest limit).
int32_t ReadLeadingNumber(std::u16string_view text, int radix) {
  size_t i = 0;
  while (i < text.size() && qav::IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (radix == 16 && i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) i += 2;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    int digit = -1;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    if (c >= u'a' && c <= u'z') digit = c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') digit = c - u'A' + 10;
    if (digit < 0 || digit >= radix) break;
    value = std::min<int64_t>(value * radix + digit, int64_t{INT32_MAX} + 1);
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

CServerReply::CServerReply() { m_document.Clear(); }

bool CServerReply::IsProgramReply(std::u16string_view text) { return RefusalReason(text).empty(); }

std::u16string CServerReply::RefusalReason(std::u16string_view text) {
  // The log shows this much of a reply that is no document: enough to tell an error page.
  constexpr size_t kShownUnits = 80;
  if (text.empty()) return qav::Format(u"the reply is empty (expected an XML document with the root \"%s\")", kRootName);
  CXmlDocument document;
  // A text without any element parses to a document with no root's name.
  if (!document.Parse(text) || document.GetRoot() == nullptr || document.GetRoot()->GetName().empty()) {
    const std::u16string shown(text.substr(0, kShownUnits));
    return qav::Format(u"the reply is not an XML document (expected one with the root \"%s\"); it begins \"%s\"%s",
                       kRootName, shown, text.size() > kShownUnits ? u"..." : u"");
  }
  const std::u16string root = document.GetRoot()->GetName();
  if (root != kRootName) return qav::Format(u"the reply's root is \"%s\" (expected \"%s\")", root, kRootName);
  return {};
}

void CServerReply::Take(std::u16string_view text) { m_document.Parse(text); }

const CXmlElement* CServerReply::Find(std::u16string_view path) const {
  CXmlElement* element = const_cast<CXmlDocument&>(m_document).GetRoot();
  for (const std::u16string& name : qav::Split(qav::ReplaceAll(path, u"\\", u"/"), u'/')) {
    element = element->FindChild(name);
    if (!element) return nullptr;
  }
  return element;
}

int CServerReply::GetInt(std::u16string_view path, int32_t& value, int radix) const {
  const CXmlElement* element = Find(path);
  if (!element) return 0;
  value = ReadLeadingNumber(element->GetValue(), radix);
  return 1;
}

int CServerReply::GetString(std::u16string_view path, std::u16string& text) const {
  const CXmlElement* element = Find(path);
  if (!element) return 0;
  text = element->GetValue();
  return 1;
}

int CServerReply::GetAttribute(std::u16string_view path, std::u16string_view attribute, std::u16string& text) const {
  const CXmlElement* element = Find(path);
  if (!element) return 0;
  text = element->GetAttribute(attribute);
  return 1;
}
