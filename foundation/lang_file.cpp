#include "foundation/lang_file.h"

#include <sys/types.h>

#include <string>
#include <vector>

#include "foundation/logger.h"

namespace {

// Longest part of a bad first line that goes into the log.
constexpr size_t kLoggedHeaderChars = 256;

std::u16string_view WithoutLineEnd(std::u16string_view line) {
  if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
  return line;
}

std::u16string UnescapeValue(std::u16string_view quoted) {
  const std::u16string trimmed = qav::Trim(quoted);
  if (trimmed.size() < 2) return {};
  std::u16string value = trimmed.substr(1, trimmed.size() - 2);
  value = qav::ReplaceAll(value, u"\\n", u"\n");
  value = qav::ReplaceAll(value, u"\\r", u"\r");
  value = qav::ReplaceAll(value, u"\\t", u"\t");
  return qav::ReplaceAll(value, u"/n", u"\r\n");
}

// Fills `table` from the file's text (after the byte-order mark); false when the header is wrong.
// The header comes before every entry, so a refused file adds nothing.
bool ParseLangText(std::u16string_view text, CLangTable& table) {
  bool headerSeen = false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view line = WithoutLineEnd(text.substr(start, end - start));
    start = end + 1;

    if (!headerSeen) {
      if (line.empty()) continue;
      if (line != kLangFileHeader) {
        QAV_LOG(LOG_WARNING, u"LoadLangLib Failed - Bad header file ( %s )", line.substr(0, kLoggedHeaderChars));
        return false;
      }
      headerSeen = true;
      continue;
    }
    const std::u16string trimmed = qav::Trim(line);
    if (trimmed.empty() || trimmed.front() == u'#') continue;
    const size_t space = trimmed.find(u' ');
    if (space == std::u16string::npos) continue;
    std::u16string key = trimmed.substr(0, space);
    if (!key.starts_with(u"IDS_")) continue;
    table.insert_or_assign(std::move(key), UnescapeValue(std::u16string_view(trimmed).substr(space + 1)));
  }
  if (!headerSeen) QAV_LOG(LOG_WARNING, u"LoadLangLib Failed - Bad header file ( %s )", u"");
  return headerSeen;
}

}  // namespace

int LoadLangLibFromFile(std::FILE* file, std::u16string_view fileName, CLangTable& table) {
  off_t size = -1;
  if (file != nullptr && fseeko(file, 0, SEEK_END) == 0) size = ftello(file);
  if (size < 2 || size > kLangFileMaxBytes || fseeko(file, 0, SEEK_SET) != 0) {
    QAV_LOG(LOG_WARNING, u"LoadLangLib Failed - Bad file size ( %s )", fileName);
    return 0;
  }

  std::vector<unsigned char> bytes(static_cast<size_t>(size));
  size_t read = std::fread(bytes.data(), 1, 2, file);
  if (read == 2 && (bytes[0] != 0xFF || bytes[1] != 0xFE)) {
    QAV_LOG(LOG_WARNING, u"LoadLangLib Failed - File not compatible - Zero length or Non UNICODE ( %#X )",
            bytes[0] | (bytes[1] << 8));
    return 0;
  }
  if (read == 2) read += std::fread(bytes.data() + 2, 1, bytes.size() - 2, file);
  if (read != bytes.size()) {
    QAV_LOG(LOG_WARNING, u"LoadLangLib Failed reading full file into buffer ( %d != %d )", read, bytes.size());
    return 0;
  }

  return ParseLangText(qav::Utf16LeBytesToText(bytes.data() + 2, bytes.size() - 2), table) ? 1 : 0;
}
