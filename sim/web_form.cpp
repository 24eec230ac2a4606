#include "sim/web_form.h"

#include "platform/text.h"

namespace qav::sim {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The value of `key="..."` in a part header line, or nullopt.
std::optional<std::string> QuotedValue(std::string_view line, std::string_view key) {
  const std::string pattern = std::string(key) + "=\"";
  const size_t at = line.find(pattern);
  if (at == std::string_view::npos) return std::nullopt;
  const size_t start = at + pattern.size();
  const size_t end = line.find('"', start);
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(line.substr(start, end - start));
}

}  // namespace

std::optional<std::map<std::string, std::string>> DecodeForm(std::string_view body) {
  std::map<std::string, std::string> fields;
  if (body.empty()) return fields;
  for (const std::u16string& pair16 : Split(Utf8ToUtf16(body), u'&')) {
    const std::string pair = Utf16ToUtf8(pair16);
    const size_t equals = pair.find('=');
    const auto name = Unescape(std::string_view(pair).substr(0, equals));
    const auto value = Unescape(equals == std::string::npos ? std::string_view() : std::string_view(pair).substr(equals + 1));
    if (!name || !value) return std::nullopt;
    fields[*name] = *value;
  }
  return fields;
}

std::string MultipartBoundary(std::string_view contentType) {
  const size_t at = contentType.find("boundary=");
  if (at == std::string_view::npos) return {};
  std::string_view boundary = contentType.substr(at + 9);
  if (const size_t end = boundary.find(';'); end != std::string_view::npos) boundary = boundary.substr(0, end);
  return std::string(boundary);
}

std::optional<std::vector<MultipartPart>> DecodeMultipart(std::string_view body, std::string_view boundary) {
  if (boundary.empty()) return std::nullopt;
  const std::string delimiter = "--" + std::string(boundary);
  std::vector<MultipartPart> parts;
  // An upload without parameters is only its closing line.
  if (body == "\r\n" + delimiter + "--\r\n") return parts;
  size_t pos = 0;
  if (body.substr(0, delimiter.size()) != delimiter) return std::nullopt;
  pos = delimiter.size();
  while (true) {
    if (body.substr(pos, 4) == "--\r\n" && pos + 4 == body.size()) return parts;
    if (body.substr(pos, 2) != "\r\n") return std::nullopt;
    pos += 2;
    const size_t headEnd = body.find("\r\n\r\n", pos);
    if (headEnd == std::string_view::npos) return std::nullopt;
    MultipartPart part;
    for (const std::u16string& line16 : Split(Utf8ToUtf16(body.substr(pos, headEnd - pos)), u'\n')) {
      std::string line = Utf16ToUtf8(line16);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind("Content-Disposition:", 0) == 0) {
        part.name = QuotedValue(line, "name").value_or("");
        part.fileName = QuotedValue(line, "filename");
      } else if (line.rfind("Content-Type:", 0) == 0) {
        part.contentType = Trim(std::string_view(line).substr(13));
      }
    }
    pos = headEnd + 4;
    const size_t next = body.find("\r\n" + delimiter, pos);
    if (next == std::string_view::npos) return std::nullopt;
    part.data = std::string(body.substr(pos, next - pos));
    parts.push_back(std::move(part));
    pos = next + 2 + delimiter.size();
  }
}

}  // namespace qav::sim
