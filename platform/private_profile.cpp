#include "platform/private_profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/text.h"

namespace qav {
namespace {

bool ReadFileBounded(int fd, std::string* bytes) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > kProfileMaxFileBytes) {
    return false;
  }
  bytes->clear();
  char chunk[16384];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    bytes->append(chunk, static_cast<size_t>(n));
    if (bytes->size() > kProfileMaxFileBytes) return false;
  }
}

std::optional<std::string> ReadWholeFile(std::u16string_view path) {
  const int fd = open(U8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  const bool ok = ReadFileBounded(fd, &bytes);
  close(fd);
  if (!ok) return std::nullopt;
  return bytes;
}

bool IsUtf16File(std::string_view bytes);

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// A mark repeated at the start (a tool that adds one to a file that has one) is still no text: left
// in, it would hide the first section from the reader while the writer added a second one behind it.
std::u16string DecodeFile(std::string_view bytes) {
  std::u16string text;
  if (IsUtf16File(bytes)) {
    text = Utf16LeBytesToText(bytes.data() + 2, bytes.size() - 2);
  } else {
    while (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
    text = Utf8ToUtf16(bytes);
  }
  const size_t firstText = text.find_first_not_of(u'\uFEFF');
  text.erase(0, firstText == std::u16string::npos ? text.size() : firstText);
  return text;
}

// The parsing rules work alike on program text and on the raw bytes of an 8-bit read.
template <typename Char>
std::vector<std::basic_string<Char>> SplitLines(std::basic_string_view<Char> text) {
  std::vector<std::basic_string<Char>> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != Char('\n') && text[i] != Char('\r')) continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == Char('\r') && i + 1 < text.size() && text[i + 1] == Char('\n')) ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

// What one line of the file is.
template <typename Char>
struct ParsedLine {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::basic_string<Char> name;   // section or key name, trimmed
  std::basic_string<Char> value;  // key's value, trimmed, quotes not yet removed
};

template <typename Char>
ParsedLine<Char> ParseLine(std::basic_string_view<Char> raw) {
  using View = std::basic_string_view<Char>;
  ParsedLine<Char> p;
  const std::basic_string<Char> line = Trim(raw);
  if (line.empty() || line[0] == Char(';')) return p;
  if (line[0] == Char('[')) {
    const size_t close = line.find(Char(']'));
    p.kind = ParsedLine<Char>::kSection;
    p.name = Trim(View(line).substr(1, close == View::npos ? View::npos : close - 1));
    return p;
  }
  p.kind = ParsedLine<Char>::kKey;
  const size_t eq = line.find(Char('='));
  p.name = Trim(View(line).substr(0, eq));
  if (eq != View::npos) p.value = Trim(View(line).substr(eq + 1));
  return p;
}

template <typename Char>
std::basic_string<Char> Unquote(std::basic_string<Char> value) {
  if (value.size() >= 2 && value.front() == Char('"') && value.back() == Char('"')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The first section of the name, then the first key of the name in it.
template <typename Char>
std::optional<std::basic_string<Char>> FindInText(std::basic_string_view<Char> text,
                                                  std::basic_string_view<Char> section,
                                                  std::basic_string_view<Char> key) {
  bool inSection = false;
  for (const auto& raw : SplitLines(text)) {
    const ParsedLine<Char> line = ParseLine(std::basic_string_view<Char>(raw));
    if (line.kind == ParsedLine<Char>::kSection) {
      if (inSection) return std::nullopt;
      inSection = EqualsNoCase(line.name, section);
    } else if (line.kind == ParsedLine<Char>::kKey && inSection && EqualsNoCase(line.name, key)) {
      return Unquote(line.value);
    }
  }
  return std::nullopt;
}

bool IsUtf16File(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE;
}

// Cuts to what a buffer of `bufferSize` units holds with its terminating zero.
std::u16string CutToBuffer(std::u16string text, size_t bufferSize) {
  if (bufferSize == 0) return u"";
  size_t keep = bufferSize - 1;
  if (text.size() <= keep) return text;
  if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
  text.resize(keep);
  return text;
}

bool HasLineBreakOrZero(std::u16string_view s) {
  return s.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Holds an exclusive flock on the file's folder while one writer reads, changes and replaces the
// file. The folder, unlike the file, keeps its inode across the renames, so every writer, in this
// process or another, queues on the same lock and none starves.
int LockFolder(const std::string& path) {
  const int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  int rc;
  while ((rc = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (rc != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::optional<std::u16string> FindPrivateProfileValue(std::u16string_view section, std::u16string_view key,
                                                      std::u16string_view filePath) {
  const auto bytes = ReadWholeFile(filePath);
  if (!bytes) return std::nullopt;
  const std::u16string text = DecodeFile(*bytes);
  return FindInText<char16_t>(text, Trim(section), Trim(key));
}

std::u16string GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue, size_t bufferSize,
                                       std::u16string_view filePath) {
  auto value = FindPrivateProfileValue(section, key, filePath);
  if (!value) value = TrimRight(defaultValue);
  return CutToBuffer(std::move(*value), bufferSize);
}

std::string GetPrivateProfileStringBytes(std::u16string_view section, std::u16string_view key,
                                         std::u16string_view defaultValue, size_t bufferSize,
                                         std::u16string_view filePath) {
  // An 8-bit file gives its bytes as they stand, even when they are not text; a UTF-16 file gives
  // the UTF-8 form of its text.
  std::optional<std::string> value;
  if (const auto bytes = ReadWholeFile(filePath)) {
    if (IsUtf16File(*bytes)) {
      if (auto text = FindInText<char16_t>(DecodeFile(*bytes), Trim(section), Trim(key))) value = U8(*text);
    } else {
      std::string_view raw(*bytes);
      while (raw.starts_with(kUtf8Mark)) raw.remove_prefix(kUtf8Mark.size());
      value = FindInText<char>(raw, U8(Trim(section)), U8(Trim(key)));
    }
  }
  std::string result = value ? *value : U8(TrimRight(defaultValue));
  if (bufferSize == 0) return "";
  if (result.size() > bufferSize - 1) {
    size_t keep = bufferSize - 1;
    while (keep > 0 && (static_cast<unsigned char>(result[keep]) & 0xC0) == 0x80) --keep;  // whole characters
    result.resize(keep);
  }
  return result;
}

uint32_t ParseProfileInteger(std::u16string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  uint32_t base = 10;
  if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    uint32_t digit;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (base == 16 && c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (base == 16 && c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      break;
    }
    value = value * base + digit;  // wraps, as the 32-bit reader always did
  }
  return negative ? 0u - value : value;
}

uint32_t GetPrivateProfileUInt(std::u16string_view section, std::u16string_view key, uint32_t defaultValue,
                               std::u16string_view filePath) {
  const auto value = FindPrivateProfileValue(section, key, filePath);
  if (!value || value->empty()) return defaultValue;
  return ParseProfileInteger(*value);
}

int32_t GetPrivateProfileInt(std::u16string_view section, std::u16string_view key, int32_t defaultValue,
                             std::u16string_view filePath) {
  return static_cast<int32_t>(GetPrivateProfileUInt(section, key, static_cast<uint32_t>(defaultValue), filePath));
}

namespace {

bool WriteRefused(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  const std::u16string sectionName = Trim(section);
  const std::u16string keyName = Trim(key);
  return sectionName.empty() || keyName.empty() || HasLineBreakOrZero(section) || HasLineBreakOrZero(key) ||
         HasLineBreakOrZero(value) || sectionName.find(u']') != std::u16string::npos ||
         keyName.find(u'=') != std::u16string::npos || keyName[0] == u'[' || keyName[0] == u';';
}

// Puts key=value into the lines: in place, after the last line of its section, or in a new section.
void SetKeyInLines(std::vector<std::u16string>& lines, const std::u16string& sectionName, const std::u16string& keyName,
                   std::u16string_view value) {
  const std::u16string newLine = keyName + u"=" + std::u16string(value);
  size_t sectionLine = lines.size(), keyLine = lines.size(), lastLine = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine<char16_t> line = ParseLine(std::u16string_view(lines[i]));
    if (line.kind == ParsedLine<char16_t>::kSection) {
      if (sectionLine != lines.size()) break;
      if (EqualsNoCase(line.name, sectionName)) sectionLine = lastLine = i;
      continue;
    }
    if (sectionLine == lines.size()) continue;
    if (!Trim(lines[i]).empty()) lastLine = i;
    if (line.kind == ParsedLine<char16_t>::kKey && EqualsNoCase(line.name, keyName)) {
      keyLine = i;
      break;
    }
  }
  if (keyLine != lines.size()) {
    lines[keyLine] = newLine;
  } else if (sectionLine != lines.size()) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastLine + 1), newLine);
  } else {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back(u"[" + sectionName + u"]");
    lines.push_back(newLine);
  }
}

}  // namespace

bool WritePrivateProfileStrings(std::u16string_view section,
                                const std::vector<std::pair<std::u16string, std::u16string>>& entries,
                                std::u16string_view filePath) {
  for (const auto& [key, value] : entries) {
    if (WriteRefused(section, key, value)) return false;
  }
  const std::string path = U8(filePath);
  const int lock = LockFolder(path);
  if (lock < 0) return false;
  std::string bytes;
  mode_t mode = 0600;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    struct stat st {};
    const bool read = ReadFileBounded(fd, &bytes) && fstat(fd, &st) == 0;
    close(fd);
    if (!read) {
      close(lock);
      return false;
    }
    mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    close(lock);
    return false;
  }
  const std::u16string text = DecodeFile(bytes);
  std::vector<std::u16string> lines = SplitLines(std::u16string_view(text));
  const std::u16string sectionName = Trim(section);
  for (const auto& [key, value] : entries) SetKeyInLines(lines, sectionName, Trim(key), value);
  std::string out;
  for (const auto& line : lines) out += U8(line) + "\n";
  const bool ok = out.size() <= kProfileMaxFileBytes && ReplaceFileAtomically(path, mode, out);
  close(lock);
  return ok;
}

bool WritePrivateProfileString(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                               std::u16string_view filePath) {
  return WritePrivateProfileStrings(section, {{std::u16string(key), std::u16string(value)}}, filePath);
}

}  // namespace qav
