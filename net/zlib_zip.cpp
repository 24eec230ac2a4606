#include "net/zlib_zip.h"

#include <fcntl.h>
#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "foundation/logger.h"
#include "platform/text.h"

namespace {

// General-purpose flag bit 11: the entry name is UTF-8.
constexpr uLong kUtf8NameFlag = 0x800;
// Made by a Unix system, format version 2.0. Unpacking tools read the names of archives made by
// MS-DOS in its code page whatever the UTF-8 flag says, and they take the entries' permissions
// from the external attributes only for Unix archives: a plain readable file.
constexpr uLong kMadeByUnix = (3u << 8) | 20u;
constexpr uLong kRegularFileAttributes = static_cast<uLong>(S_IFREG | 0644) << 16;

// MS-DOS date (high 16 bits) and time (low 16 bits, two-second steps) of a local time. The format
// starts in 1980 and ends in 2107; times outside are held to those ends.
uLong DosDateTime(time_t when) {
  tm local{};
  if (!localtime_r(&when, &local)) return (0u << 25) | (1u << 21) | (1u << 16);
  int year = local.tm_year + 1900;
  if (year < 1980) return (1u << 21) | (1u << 16);
  if (year > 2107) year = 2107;
  const uLong date = (static_cast<uLong>(year - 1980) << 9) | (static_cast<uLong>(local.tm_mon + 1) << 5) |
                     static_cast<uLong>(local.tm_mday);
  const uLong time = (static_cast<uLong>(local.tm_hour) << 11) | (static_cast<uLong>(local.tm_min) << 5) |
                     static_cast<uLong>(local.tm_sec / 2);
  return (date << 16) | time;
}

std::string FoldAscii(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

}  // namespace

CZLib::~CZLib() { CloseZip(); }

int CZLib::OpenZip(std::u16string_view path, int appendMode) {
  CloseZip();
  m_failed = false;
  m_namesFolded.clear();
  m_lastEntryName.clear();
  m_archive = zipOpen64(qav::U8(path).c_str(), appendMode);
  if (!m_archive) QAV_LOG(LOG_WARNING, u"CZLib::OpenZip( %s ): the archive cannot be created", path);
  return m_archive ? 1 : 0;
}

std::string CZLib::UniqueEntryName(std::string_view name) {
  std::string candidate(name);
  const size_t dot = name.rfind('.');
  const std::string stem(dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot));
  const std::string extension(dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot));
  for (int copy = 2; m_namesFolded.count(FoldAscii(candidate)) != 0; ++copy) {
    candidate = stem + " (" + std::to_string(copy) + ")" + extension;
  }
  m_namesFolded.insert(FoldAscii(candidate));
  return candidate;
}

int CZLib::AddFile(std::u16string_view path) {
  if (!m_archive) return 0;
  const std::string bytesPath = qav::U8(path);
  const int fd = open(bytesPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    QAV_LOG(LOG_WARNING, u"CZLib::AddFile( %s ): the file cannot be opened, nothing added", path);
    return 0;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    QAV_LOG(LOG_WARNING, u"CZLib::AddFile( %s ): not a readable file, nothing added", path);
    return 0;
  }
  zip_fileinfo entryInfo{};
  entryInfo.dosDate = DosDateTime(info.st_mtime);
  entryInfo.external_fa = kRegularFileAttributes;

  const size_t slash = bytesPath.rfind('/');
  m_lastEntryName = UniqueEntryName(slash == std::string::npos ? bytesPath : bytesPath.substr(slash + 1));

  int result = zipOpenNewFileInZip4_64(m_archive, m_lastEntryName.c_str(), &entryInfo, nullptr, 0, nullptr, 0,
                                       nullptr, Z_DEFLATED, 9, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0, kMadeByUnix,
                                       kUtf8NameFlag, info.st_size >= 0xFFFFFFFFLL ? 1 : 0);
  if (result != ZIP_OK) {
    close(fd);
    m_failed = true;
    QAV_LOG(LOG_WARNING, u"CZLib::AddFile( %s ): the entry cannot be started [%d]", path, result);
    return 0;
  }
  char buffer[4096];
  bool whole = true;
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      QAV_LOG(LOG_WARNING, u"CZLib::AddFile( %s ): reading failed", path);
      whole = false;
      break;
    }
    if (got == 0) break;
    result = zipWriteInFileInZip(m_archive, buffer, static_cast<unsigned>(got));
    if (result != ZIP_OK) {
      QAV_LOG(LOG_WARNING, u"CZLib::AddFile( %s ): writing the entry failed [%d]", path, result);
      whole = false;
      break;
    }
  }
  close(fd);
  result = zipCloseFileInZip(m_archive);
  if (result != ZIP_OK) {
    QAV_LOG(LOG_WARNING, u"CZLib::AddFile( %s ): closing the entry failed [%d]", path, result);
    whole = false;
  }
  if (!whole) m_failed = true;
  return whole ? 1 : 0;
}

int CZLib::CloseZip() {
  if (!m_archive) return 0;
  const int result = zipClose(m_archive, nullptr);
  m_archive = nullptr;
  if (result != ZIP_OK) QAV_LOG(LOG_WARNING, u"CZLib::CloseZip: closing the archive failed [%d]", result);
  return result == ZIP_OK && !m_failed ? 1 : 0;
}
