#include "platform/private_profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

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

std::u16string DecodeFile(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return Utf16LeBytesToText(bytes.data() + 2, bytes.size() - 2);
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return Utf8ToUtf16(bytes);
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\n' && text[i] != u'\r') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

// What one line of the file is.
struct ParsedLine {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::u16string name;   // section or key name, trimmed
  std::u16string value;  // key's value, trimmed, quotes not yet removed
};

ParsedLine ParseLine(std::u16string_view raw) {
  ParsedLine p;
  const std::u16string line = Trim(raw);
  if (line.empty() || line[0] == u';') return p;
  if (line[0] == u'[') {
    const size_t close = line.find(u']');
    p.kind = ParsedLine::kSection;
    p.name = Trim(std::u16string_view(line).substr(1, close == std::u16string::npos ? std::u16string::npos : close - 1));
    return p;
  }
  p.kind = ParsedLine::kKey;
  const size_t eq = line.find(u'=');
  p.name = Trim(std::u16string_view(line).substr(0, eq));
  if (eq != std::u16string::npos) p.value = Trim(std::u16string_view(line).substr(eq + 1));
  return p;
}

std::u16string Unquote(std::u16string value) {
  if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') return value.substr(1, value.size() - 2);
  return value;
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

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Replaces the file's content by `bytes` through a temporary file and a rename.
bool ReplaceFile(const std::string& path, mode_t mode, std::string_view bytes) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
  if (close(fd) != 0 || !ok || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  const int dir = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
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
  bool inSection = false;
  bool sectionSeen = false;
  for (const auto& raw : SplitLines(DecodeFile(*bytes))) {
    const ParsedLine line = ParseLine(raw);
    if (line.kind == ParsedLine::kSection) {
      if (inSection) return std::nullopt;  // only the first section of the name counts
      inSection = !sectionSeen && EqualsNoCase(line.name, section);
      sectionSeen = sectionSeen || inSection;
    } else if (line.kind == ParsedLine::kKey && inSection && EqualsNoCase(line.name, key)) {
      return Unquote(line.value);
    }
  }
  return std::nullopt;
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
  auto value = FindPrivateProfileValue(section, key, filePath);
  std::string bytes = U8(value ? *value : TrimRight(defaultValue));
  if (bufferSize == 0) return "";
  if (bytes.size() > bufferSize - 1) {
    size_t keep = bufferSize - 1;
    while (keep > 0 && (static_cast<unsigned char>(bytes[keep]) & 0xC0) == 0x80) --keep;  // whole characters
    bytes.resize(keep);
  }
  return bytes;
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

bool WritePrivateProfileString(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                               std::u16string_view filePath) {
  const std::u16string sectionName = Trim(section);
  const std::u16string keyName = Trim(key);
  if (sectionName.empty() || keyName.empty() || HasLineBreakOrZero(section) || HasLineBreakOrZero(key) ||
      HasLineBreakOrZero(value) || sectionName.find(u']') != std::u16string::npos ||
      keyName.find(u'=') != std::u16string::npos || keyName[0] == u'[' || keyName[0] == u';') {
    return false;
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
  std::vector<std::u16string> lines = SplitLines(DecodeFile(bytes));
  const std::u16string newLine = keyName + u"=" + std::u16string(value);

  // Find the first section of the name, its first matching key, and its last non-empty line.
  size_t sectionLine = lines.size(), keyLine = lines.size(), lastLine = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine line = ParseLine(lines[i]);
    if (line.kind == ParsedLine::kSection) {
      if (sectionLine != lines.size()) break;
      if (EqualsNoCase(line.name, sectionName)) sectionLine = lastLine = i;
      continue;
    }
    if (sectionLine == lines.size()) continue;
    if (!Trim(lines[i]).empty()) lastLine = i;
    if (line.kind == ParsedLine::kKey && EqualsNoCase(line.name, keyName)) {
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
  std::string out;
  for (const auto& line : lines) out += U8(line) + "\n";
  const bool ok = out.size() <= kProfileMaxFileBytes && ReplaceFile(path, mode, out);
  close(lock);
  return ok;
}

}  // namespace qav
