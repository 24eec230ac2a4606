// The version check's reply as the program reads it: a document accepted only when its root is the
// program's own, and its values found by a path of element names ("QAV/LatestVer").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/xml_document.h"

class CServerReply {
 public:
  static constexpr char16_t kRootName[] = u"Zarvelin_XML_Info";

  CServerReply();
  CServerReply(const CServerReply&) = delete;
  CServerReply& operator=(const CServerReply&) = delete;

  // Whether the text is a document whose root is exactly the program's.
  static bool IsProgramReply(std::u16string_view text);
  // Why the text is not: "" when it is, else what was wrong, with what was expected and found.
  static std::u16string RefusalReason(std::u16string_view text);
  // Takes a text that IsProgramReply accepted as the reply the questions below answer from.
  void Take(std::u16string_view text);

  // The values by a path of element names ("/" or "\" between them), the first a child of the
  // root. 1 when every element of the path is there; 0 leaves the output alone. GetInt reads the
  // leading number as wcstol does (blanks, sign, digits; held at the 32-bit limits).
  int GetInt(std::u16string_view path, int32_t& value, int radix) const;
  int GetString(std::u16string_view path, std::u16string& text) const;
  // An element without the attribute gives 1 and "".
  int GetAttribute(std::u16string_view path, std::u16string_view attribute, std::u16string& text) const;

 private:
  const CXmlElement* Find(std::u16string_view path) const;

  CXmlDocument m_document;
};
