// A small XML reader and writer for the program's own exchanges (the version check, the notices
// to the sibling application, problem reports).
//
// The reader understands the subset the writer produces: elements, raw attribute text and text
// values. It has no DTD, CDATA, namespace or entity support and does not unescape values; comments
// and declarations are skipped, and an end tag closes the current element whatever its name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/xml_element.h"

// The text with every character XML 1.0 does not allow (control characters but TAB, LF and CR,
// U+FFFE, U+FFFF and unpaired surrogates) replaced by U+FFFD: such a character cannot be written
// even as a reference, and one of them makes a strict reader refuse the whole document. Callers'
// names, paths and chat texts come from outside and may hold any of them.
std::u16string XmlCharactersOnly(std::u16string_view text);

class CXmlDocument {
 public:
  // Documents nested deeper than this are refused by Parse (they come from the network).
  static constexpr size_t kMaxDepth = 256;

  CXmlDocument() = default;
  CXmlDocument(const CXmlDocument&) = delete;
  CXmlDocument& operator=(const CXmlDocument&) = delete;

  CXmlElement* GetRoot() { return &m_root; }
  const CXmlElement* GetRoot() const { return &m_root; }

  // Appends an element to the parent's children and returns it: the name trimmed of blanks, the
  // value with "&", "<" and ">" escaped and only XML characters (XmlCharactersOnly), the attribute
  // text as given. With no parent the root
  // itself takes the name, value and attribute text.
  CXmlElement* AddElement(CXmlElement* parent, std::u16string_view name, std::u16string_view value,
                          std::u16string_view attributes = {});
  // Numeric values: "%ld", "%lu", "%I64d" and "%I64u".
  CXmlElement* AddElementLong(CXmlElement* parent, std::u16string_view name, int32_t value,
                              std::u16string_view attributes = {});
  CXmlElement* AddElementULong(CXmlElement* parent, std::u16string_view name, uint32_t value,
                               std::u16string_view attributes = {});
  CXmlElement* AddElementInt64(CXmlElement* parent, std::u16string_view name, int64_t value,
                               std::u16string_view attributes = {});
  CXmlElement* AddElementUInt64(CXmlElement* parent, std::u16string_view name, uint64_t value,
                                std::u16string_view attributes = {});

  // Deletes every child of the root and empties the root's name, value and attribute text.
  void Clear();

  // The declaration line, then the root at depth 0. An element at depth n is 2n spaces, its start
  // tag, then its value or CR LF, its children at depth n+1, and its end tag and CR LF, indented
  // by 2n spaces when it had no value.
  std::u16string GetXml() const;

  // Writes the UTF-16LE byte order mark and the document in UTF-16LE, declared as UTF-16 (a strict
  // reader refuses a UTF-16 file that calls itself UTF-8). Returns 1, or 0 when the file cannot be
  // written.
  int SaveFile(std::u16string_view path) const;
  // Reads a file (UTF-16LE after its byte order mark, else UTF-8), removes every LF, CR and TAB
  // and parses the text. 0 when the file cannot be opened, has 0 or 1 bytes, is larger than 16 MiB,
  // or does not parse.
  int LoadFile(std::u16string_view path);

  // Builds the tree from the text, after clearing the document. Returns 1; 0 (with the document
  // left empty) when elements are nested deeper than kMaxDepth.
  int Parse(std::u16string_view text);

  // The text last given to Parse.
  const std::u16string& GetParsedText() const { return m_text; }

 private:
  // The document as text under a declaration of that encoding.
  std::u16string TextDeclaredAs(std::u16string_view encoding) const;

  CXmlElement m_root;
  std::u16string m_text;
};
