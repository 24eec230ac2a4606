#include "foundation/xml_element.h"

#include "platform/text.h"

CXmlElement::~CXmlElement() { Clear(); }

void CXmlElement::Clear() {
  // Tear the subtree down without recursion, so that even a very deep tree cannot exhaust the
  // stack: children are moved out level by level and destroyed once they have none left.
  std::vector<std::unique_ptr<CXmlElement>> pending = std::move(m_children);
  m_children.clear();
  while (!pending.empty()) {
    std::unique_ptr<CXmlElement> element = std::move(pending.back());
    pending.pop_back();
    for (auto& child : element->m_children) pending.push_back(std::move(child));
    element->m_children.clear();
  }
  m_findName.clear();
  m_findNext = 0;
}

CXmlElement* CXmlElement::AddChild(std::u16string name, std::u16string value, std::u16string attributes) {
  auto child = std::make_unique<CXmlElement>();
  child->m_name = std::move(name);
  child->m_value = std::move(value);
  child->m_attributes = std::move(attributes);
  child->m_parent = this;
  m_children.push_back(std::move(child));
  return m_children.back().get();
}

CXmlElement* CXmlElement::GetChild(size_t index) const {
  return index < m_children.size() ? m_children[index].get() : nullptr;
}

CXmlElement* CXmlElement::FindChild(std::u16string_view name) {
  m_findName = name;
  m_findNext = 0;
  return FindNextChild();
}

CXmlElement* CXmlElement::FindNextChild() {
  while (m_findNext < m_children.size()) {
    CXmlElement* child = m_children[m_findNext++].get();
    if (qav::EqualsNoCase(child->m_name, m_findName)) return child;
  }
  return nullptr;
}

std::u16string CXmlElement::GetAttribute(std::u16string_view name) const {
  // Walk the attribute text pair by pair (name, "=", quoted value), so a name is matched whole
  // and never inside another name or inside a value.
  const std::u16string_view text = m_attributes;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && qav::IsBlank(text[i])) ++i;
  };
  while (i < text.size()) {
    skipBlanks();
    const size_t nameStart = i;
    while (i < text.size() && !qav::IsBlank(text[i]) && text[i] != u'=') ++i;
    const std::u16string_view attributeName = text.substr(nameStart, i - nameStart);
    skipBlanks();
    if (i >= text.size() || text[i] != u'=') return {};
    ++i;
    skipBlanks();
    if (i >= text.size() || (text[i] != u'"' && text[i] != u'\'')) return {};
    const char16_t quote = text[i++];
    const size_t valueEnd = text.find(quote, i);
    if (valueEnd == std::u16string_view::npos) return {};
    if (attributeName == name) return std::u16string(text.substr(i, valueEnd - i));
    i = valueEnd + 1;
  }
  return {};
}
