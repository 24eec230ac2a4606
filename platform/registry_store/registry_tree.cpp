#include "platform/registry_store/registry_tree.h"

#include <optional>

#include "platform/registry_store/registry_text.h"

namespace qav {
namespace {

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

const char kHexDigits[] = "0123456789abcdef";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string HexBytes(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 15];
  }
  return out;
}

std::optional<std::string> ParseHexBytes(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexValue(hex[i]), lo = HexValue(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
  }
  return out;
}

// Quoted text: backslash, quote and control characters escaped, lone surrogates as \uXXXX, every
// other character as UTF-8.
std::string QuoteText(std::u16string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    switch (c) {
      case u'\\': out += "\\\\"; continue;
      case u'"': out += "\\\""; continue;
      case u'\n': out += "\\n"; continue;
      case u'\r': out += "\\r"; continue;
      case u'\t': out += "\\t"; continue;
      case 0: out += "\\0"; continue;
      default: break;
    }
    if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out += kHexDigits[c >> 4];
      out += kHexDigits[c & 15];
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      RegistryAppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHexDigits[(c >> shift) & 15];
    } else {
      RegistryAppendUtf8(out, c);
    }
  }
  out += '"';
  return out;
}

// Reads a quoted text starting at line[pos] == '"'; on success pos is just past the closing quote.
std::optional<std::u16string> UnquoteText(std::string_view line, size_t& pos) {
  if (pos >= line.size() || line[pos] != '"') return std::nullopt;
  ++pos;
  std::u16string out;
  std::string run;  // raw UTF-8 bytes not yet converted
  auto flush = [&] {
    out += RegistryUtf8ToUtf16(run);
    run.clear();
  };
  while (pos < line.size()) {
    const char c = line[pos];
    if (c == '"') {
      flush();
      ++pos;
      return out;
    }
    if (c != '\\') {
      run += c;
      ++pos;
      continue;
    }
    flush();
    if (pos + 1 >= line.size()) return std::nullopt;
    const char e = line[pos + 1];
    pos += 2;
    switch (e) {
      case '\\': out += u'\\'; break;
      case '"': out += u'"'; break;
      case 'n': out += u'\n'; break;
      case 'r': out += u'\r'; break;
      case 't': out += u'\t'; break;
      case '0': out += u'\0'; break;
      case 'x':
      case 'u': {
        const size_t digits = e == 'x' ? 2 : 4;
        if (pos + digits > line.size()) return std::nullopt;
        unsigned v = 0;
        for (size_t k = 0; k < digits; ++k) {
          const int h = HexValue(line[pos + k]);
          if (h < 0) return std::nullopt;
          v = v * 16 + static_cast<unsigned>(h);
        }
        pos += digits;
        out += static_cast<char16_t>(v);
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;  // no closing quote
}

std::u16string TextOfStringData(const std::string& data) {
  std::u16string text;
  for (size_t i = 0; i + 2 < data.size(); i += 2) {  // the last pair is the terminating zero
    text += static_cast<char16_t>(static_cast<unsigned char>(data[i]) |
                                  (static_cast<unsigned char>(data[i + 1]) << 8));
  }
  return text;
}

bool IsPlainStringData(const std::string& data) {
  return data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 1] == 0 && data[data.size() - 2] == 0;
}

std::string ValueLine(const std::u16string& name, const RegistryValue& v) {
  std::string line = QuoteText(name) + "=";
  if ((v.type == kRegSz || v.type == kRegExpandSz) && IsPlainStringData(v.data)) {
    line += v.type == kRegSz ? "sz:" : "expand_sz:";
    line += QuoteText(TextOfStringData(v.data));
  } else if (v.type == kRegDword && v.data.size() == 4) {
    const uint32_t n = static_cast<uint32_t>(static_cast<unsigned char>(v.data[0])) |
                       static_cast<uint32_t>(static_cast<unsigned char>(v.data[1])) << 8 |
                       static_cast<uint32_t>(static_cast<unsigned char>(v.data[2])) << 16 |
                       static_cast<uint32_t>(static_cast<unsigned char>(v.data[3])) << 24;
    line += "dword:";
    for (int shift = 28; shift >= 0; shift -= 4) line += kHexDigits[(n >> shift) & 15];
  } else if (v.type == kRegBinary) {
    line += "binary:" + HexBytes(v.data);
  } else {
    line += "hex(" + std::to_string(v.type) + "):" + HexBytes(v.data);
  }
  return line;
}

std::optional<std::pair<std::u16string, RegistryValue>> ParseValueLine(std::string_view line) {
  size_t pos = 0;
  auto name = UnquoteText(line, pos);
  if (!name || pos >= line.size() || line[pos] != '=') return std::nullopt;
  ++pos;
  const size_t colon = line.find(':', pos);
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view type = line.substr(pos, colon - pos);
  std::string_view data = line.substr(colon + 1);
  RegistryValue v;
  if (type == "sz" || type == "expand_sz") {
    size_t p = 0;
    auto text = UnquoteText(data, p);
    if (!text || p != data.size()) return std::nullopt;
    v = MakeRegistryString(*text, type == "sz" ? kRegSz : kRegExpandSz);
  } else if (type == "dword") {
    if (data.empty() || data.size() > 8) return std::nullopt;
    uint32_t n = 0;
    for (char c : data) {
      const int h = HexValue(c);
      if (h < 0) return std::nullopt;
      n = n * 16 + static_cast<uint32_t>(h);
    }
    v = MakeRegistryDword(n);
  } else if (type == "binary") {
    auto bytes = ParseHexBytes(data);
    if (!bytes) return std::nullopt;
    v = RegistryValue{kRegBinary, std::move(*bytes)};
  } else if (type.size() > 5 && type.substr(0, 4) == "hex(" && type.back() == ')') {
    const std::string_view digits = type.substr(4, type.size() - 5);
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    uint64_t n = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    if (n > 0xFFFFFFFFu) return std::nullopt;
    auto bytes = ParseHexBytes(data);
    if (!bytes) return std::nullopt;
    v = RegistryValue{static_cast<uint32_t>(n), std::move(*bytes)};
  } else {
    return std::nullopt;
  }
  return std::make_pair(std::move(*name), std::move(v));
}

void SerializeKey(const RegistryKeyNode& key, const std::string& path, std::string& out) {
  for (const auto& [name, value] : key.values) out += ValueLine(name, value) + "\n";
  for (const auto& line : key.unreadLines) out += line + "\n";
  for (const auto& sub : key.subKeys) {
    const std::string subPath = path.empty() ? RegistryUtf16ToUtf8(sub->name)
                                             : path + "\\" + RegistryUtf16ToUtf8(sub->name);
    out += "\n[" + subPath + "]\n";
    SerializeKey(*sub, subPath, out);
  }
}

}  // namespace

bool RegistryNamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

RegistryKeyNode* RegistryKeyNode::FindSubKey(std::u16string_view n) const {
  for (const auto& sub : subKeys) {
    if (RegistryNamesEqual(sub->name, n)) return sub.get();
  }
  return nullptr;
}

RegistryKeyNode* RegistryKeyNode::AddSubKey(std::u16string_view n) {
  if (RegistryKeyNode* existing = FindSubKey(n)) return existing;
  subKeys.push_back(std::make_unique<RegistryKeyNode>());
  subKeys.back()->name = std::u16string(n);
  return subKeys.back().get();
}

bool RegistryKeyNode::RemoveSubKey(std::u16string_view n) {
  for (auto it = subKeys.begin(); it != subKeys.end(); ++it) {
    if (RegistryNamesEqual((*it)->name, n)) {
      subKeys.erase(it);
      return true;
    }
  }
  return false;
}

const RegistryValue* RegistryKeyNode::FindValue(std::u16string_view n) const {
  for (const auto& [name, value] : values) {
    if (RegistryNamesEqual(name, n)) return &value;
  }
  return nullptr;
}

void RegistryKeyNode::SetValue(std::u16string_view n, RegistryValue value) {
  for (auto& entry : values) {
    if (RegistryNamesEqual(entry.first, n)) {
      entry.second = std::move(value);
      return;
    }
  }
  values.emplace_back(std::u16string(n), std::move(value));
}

bool RegistryKeyNode::RemoveValue(std::u16string_view n) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (RegistryNamesEqual(it->first, n)) {
      values.erase(it);
      return true;
    }
  }
  return false;
}

std::vector<std::u16string> SplitRegistryPath(std::u16string_view path) {
  std::vector<std::u16string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::unique_ptr<RegistryKeyNode> ParseRegistryFile(std::string_view bytes) {
  auto root = std::make_unique<RegistryKeyNode>();
  RegistryKeyNode* current = root.get();
  size_t start = 0;
  bool first = true;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
      line.remove_suffix(1);
    }
    const bool isHeader = first && line == kRegistryFileHeader;
    first = false;
    if (isHeader || line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      current = root.get();
      for (const auto& name : SplitRegistryPath(RegistryUtf8ToUtf16(line.substr(1, line.size() - 2)))) {
        current = current->AddSubKey(name);
      }
      continue;
    }
    if (line.front() == '"') {
      if (auto parsed = ParseValueLine(line)) {
        current->SetValue(parsed->first, std::move(parsed->second));
        continue;
      }
    }
    current->unreadLines.emplace_back(line);
  }
  return root;
}

std::string SerializeRegistryFile(const RegistryKeyNode& root) {
  std::string out(kRegistryFileHeader);
  out += "\n";
  SerializeKey(root, "", out);
  return out;
}

}  // namespace qav
