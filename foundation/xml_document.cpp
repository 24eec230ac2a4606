#include "foundation/xml_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/text.h"

namespace {

constexpr uint64_t kMaxFileBytes = 16u << 20;

std::u16string Escape(std::u16string_view value) {
  std::u16string text = qav::ReplaceAll(XmlCharactersOnly(value), u"&", u"&amp;");
  text = qav::ReplaceAll(text, u"<", u"&lt;");
  return qav::ReplaceAll(text, u">", u"&gt;");
}

void WriteElement(const CXmlElement& root, std::u16string& out) {
  // Iterative, one frame per open element: (element, depth, next child to write).
  struct Frame {
    const CXmlElement* element;
    size_t depth;
    size_t nextChild;
  };
  std::vector<Frame> stack{{&root, 0, 0}};
  auto openTag = [&out](const CXmlElement& e, size_t depth) {
    out.append(2 * depth, u' ');
    out += u"<";
    out += e.GetName();
    if (!e.GetAttributes().empty()) {
      out += u" ";
      out += e.GetAttributes();
    }
    out += u">";
    out += e.GetValue().empty() ? std::u16string(u"\r\n") : e.GetValue();
  };
  openTag(root, 0);
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.nextChild < frame.element->GetChildCount()) {
      const CXmlElement* child = frame.element->GetChild(frame.nextChild++);
      const size_t depth = frame.depth + 1;
      openTag(*child, depth);
      stack.push_back({child, depth, 0});
      continue;
    }
    if (frame.element->GetValue().empty()) out.append(2 * frame.depth, u' ');
    out += u"</";
    out += frame.element->GetName();
    out += u">\r\n";
    stack.pop_back();
  }
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= kMaxFileBytes;
  if (ok) {
    bytes.clear();
    char buffer[65536];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ok = false;
      if (n <= 0) break;
      bytes.append(buffer, static_cast<size_t>(n));
      if (bytes.size() > kMaxFileBytes) {
        ok = false;
        break;
      }
    }
  }
  close(fd);
  return ok;
}

}  // namespace

std::u16string XmlCharactersOnly(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool low = c >= 0xDC00 && c <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += c;
      out += text[++i];
    } else if (high || low || c == 0xFFFE || c == 0xFFFF || (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')) {
      out += u'\uFFFD';
    } else {
      out += c;
    }
  }
  return out;
}

CXmlElement* CXmlDocument::AddElement(CXmlElement* parent, std::u16string_view name, std::u16string_view value,
                                      std::u16string_view attributes) {
  std::u16string trimmedName = qav::Trim(name);
  std::u16string escaped = Escape(value);
  if (parent == nullptr) {
    m_root.m_name = std::move(trimmedName);
    m_root.m_value = std::move(escaped);
    m_root.m_attributes = attributes;
    return &m_root;
  }
  return parent->AddChild(std::move(trimmedName), std::move(escaped), std::u16string(attributes));
}

CXmlElement* CXmlDocument::AddElementLong(CXmlElement* parent, std::u16string_view name, int32_t value,
                                          std::u16string_view attributes) {
  return AddElement(parent, name, qav::Format(u"%ld", value), attributes);
}

CXmlElement* CXmlDocument::AddElementULong(CXmlElement* parent, std::u16string_view name, uint32_t value,
                                           std::u16string_view attributes) {
  return AddElement(parent, name, qav::Format(u"%lu", value), attributes);
}

CXmlElement* CXmlDocument::AddElementInt64(CXmlElement* parent, std::u16string_view name, int64_t value,
                                           std::u16string_view attributes) {
  return AddElement(parent, name, qav::Format(u"%I64d", value), attributes);
}

CXmlElement* CXmlDocument::AddElementUInt64(CXmlElement* parent, std::u16string_view name, uint64_t value,
                                            std::u16string_view attributes) {
  return AddElement(parent, name, qav::Format(u"%I64u", value), attributes);
}

void CXmlDocument::Clear() {
  m_root.Clear();
  m_root.m_name.clear();
  m_root.m_value.clear();
  m_root.m_attributes.clear();
}

std::u16string CXmlDocument::GetXml() const { return TextDeclaredAs(u"UTF-8"); }

std::u16string CXmlDocument::TextDeclaredAs(std::u16string_view encoding) const {
  std::u16string out = u"<?xml version=\"1.0\" encoding=\"";
  out += encoding;
  out += u"\"?>\r\n";
  WriteElement(m_root, out);
  return out;
}

int CXmlDocument::SaveFile(std::u16string_view path) const {
  // The file is UTF-16LE, so its declaration says so: a strict reader refuses a UTF-16 file that
  // calls itself UTF-8. The text sent elsewhere (GetXml) keeps its UTF-8 declaration.
  const std::string bytes = "\xFF\xFE" + qav::TextToUtf16LeBytes(TextDeclaredAs(u"UTF-16"));
  const std::string file = qav::Utf16ToUtf8(path);
  FILE* out = std::fopen(file.c_str(), "wbe");
  if (out == nullptr) return 0;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  const bool closed = std::fclose(out) == 0;
  return written && closed ? 1 : 0;
}

int CXmlDocument::LoadFile(std::u16string_view path) {
  std::string bytes;
  if (!ReadWholeFile(qav::Utf16ToUtf8(path), bytes) || bytes.size() < 2) return 0;
  std::u16string text;
  if (static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) {
    text = qav::Utf16LeBytesToText(bytes.data() + 2, bytes.size() - 2);
  } else {
    text = qav::Utf8ToUtf16(bytes);
  }
  std::u16string cleaned;
  cleaned.reserve(text.size());
  for (char16_t c : text) {
    if (c != u'\n' && c != u'\r' && c != u'\t') cleaned.push_back(c);
  }
  return Parse(cleaned);
}

int CXmlDocument::Parse(std::u16string_view text) {
  Clear();
  m_text = text;
  CXmlElement* current = &m_root;
  size_t depth = 0;  // elements open below the root
  std::u16string collected;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != u'<') {
      collected.push_back(text[i++]);
      continue;
    }
    // Text before a tag belongs to the current element. Only text that is there counts, so the
    // empty gap after a child's end tag does not wipe out text written before the child.
    const std::u16string value = qav::Trim(collected);
    if (!value.empty()) current->m_value += value;
    collected.clear();

    const size_t close = text.find(u'>', i + 1);
    if (close == std::u16string_view::npos) break;  // an unfinished tag at the end is dropped
    std::u16string_view tag = text.substr(i + 1, close - i - 1);
    i = close + 1;
    if (tag.empty() || tag[0] == u'!' || tag[0] == u'?') continue;

    const bool endTag = tag[0] == u'/';
    const bool emptyTag = !endTag && tag.back() == u'/';
    if (endTag) tag.remove_prefix(1);
    if (emptyTag) tag.remove_suffix(1);

    if (!endTag) {
      const size_t space = tag.find_first_of(u" \t\r\n");
      std::u16string name(tag.substr(0, space));
      std::u16string attributes = space == std::u16string_view::npos ? std::u16string() : qav::Trim(tag.substr(space + 1));
      if (m_root.m_name.empty() && current == &m_root) {
        m_root.m_name = std::move(name);
        m_root.m_attributes = std::move(attributes);
      } else {
        if (depth + 1 > kMaxDepth) {
          Clear();
          return 0;
        }
        current = current->AddChild(std::move(name), {}, std::move(attributes));
        ++depth;
      }
      if (!emptyTag) continue;
    }
    if (current->m_parent != nullptr) {
      current = current->m_parent;
      --depth;
    }
  }
  return 1;
}
