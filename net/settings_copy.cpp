#include "net/settings_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/fd/fd_write.h"
#include "platform/private_profile.h"
#include "platform/text.h"

namespace {

constexpr std::u16string_view kPasswordKey = u"EMailLoginPass";

bool ReadWhole(const std::string& path, std::string& bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got == 0) break;
    if (got < 0 || bytes.size() + static_cast<size_t>(got) > qav::kProfileMaxFileBytes) {
      close(fd);
      return false;
    }
    bytes.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  return true;
}

// The file's text, whichever of the settings encodings it has.
std::u16string Decode(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return qav::Utf16LeBytesToText(bytes.data() + 2, bytes.size() - 2);
  }
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return qav::Utf8ToUtf16(std::string_view(bytes).substr(3));
  return qav::Utf8ToUtf16(bytes);
}

bool IsPasswordLine(std::u16string_view line) {
  const size_t equals = line.find(u'=');
  if (equals == std::u16string_view::npos) return false;
  return qav::EqualsNoCase(qav::Trim(line.substr(0, equals)), kPasswordKey);
}

}  // namespace

int CopySettingsWithoutPassword(std::u16string_view source, std::u16string_view target) {
  std::string bytes;
  if (!ReadWhole(qav::U8(source), bytes)) return 0;
  const std::u16string text = Decode(bytes);
  std::u16string copy;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = text.size();
    // The line's own ending (LF, CR LF or CR) is kept as it was.
    size_t next = end;
    if (next < text.size()) next += text.compare(next, 2, u"\r\n") == 0 ? 2 : 1;
    const std::u16string_view line(text.data() + start, end - start);
    copy += IsPasswordLine(line) ? std::u16string(kPasswordKey) + u"=" : std::u16string(line);
    copy.append(text, end, next - end);
    start = next;
  }
  const int fd = open(qav::U8(target).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return 0;
  const bool written = qav::WriteAllToFd(fd, qav::U8(copy));
  return close(fd) == 0 && written ? 1 : 0;
}
