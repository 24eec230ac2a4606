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

bool CServerReply::IsProgramReply(std::u16string_view text) {
  CXmlDocument document;
  return document.Parse(text) && document.GetRoot()->GetName() == kRootName;
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
