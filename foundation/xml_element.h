// One element of a CXmlDocument: a name, the raw attribute text of its start tag, a value and its
// children in order. The document owns the tree; each element owns its children.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CXmlElement {
 public:
  CXmlElement() = default;
  ~CXmlElement();
  CXmlElement(const CXmlElement&) = delete;
  CXmlElement& operator=(const CXmlElement&) = delete;

  const std::u16string& GetName() const { return m_name; }
  // Everything after the name inside the start tag, as written or read (for example id="5").
  const std::u16string& GetAttributes() const { return m_attributes; }
  // The value: escaped when it was added, kept as read when parsed (no unescaping).
  const std::u16string& GetValue() const { return m_value; }
  CXmlElement* GetParent() const { return m_parent; }

  // The text between the double quotes of the attribute with exactly this name ("id" does not
  // match "xid"); "" when there is no such attribute. Blanks around "=" are allowed.
  std::u16string GetAttribute(std::u16string_view name) const;

  // The first child whose name equals `name` without regard to ASCII case, or nullptr. The name
  // and the place after the match are remembered for FindNextChild.
  CXmlElement* FindChild(std::u16string_view name);
  // The next child with the name of the last FindChild, or nullptr.
  CXmlElement* FindNextChild();

  size_t GetChildCount() const { return m_children.size(); }
  // The child at the index (0 = first), or nullptr past the last one.
  CXmlElement* GetChild(size_t index) const;

 private:
  friend class CXmlDocument;

  CXmlElement* AddChild(std::u16string name, std::u16string value, std::u16string attributes);
  void Clear();

  std::u16string m_name;
  std::u16string m_attributes;
  std::u16string m_value;
  CXmlElement* m_parent = nullptr;
  std::vector<std::unique_ptr<CXmlElement>> m_children;
  std::u16string m_findName;
  size_t m_findNext = 0;
};
