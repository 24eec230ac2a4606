#include "platform/autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/text.h"

namespace qav {
namespace {

bool MakeFolders(const std::string& folder) {
  for (size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos != folder.size() && folder[pos] != '/') continue;
    if (mkdir(folder.substr(0, pos).c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// Escapes for a desktop entry string value: backslash and line breaks.
std::u16string EscapeString(std::u16string_view s) {
  std::u16string out;
  for (char16_t c : s) {
    if (c == u'\\') out += u"\\\\";
    else if (c == u'\n') out += u"\\n";
    else if (c == u'\r') out += u"\\r";
    else if (c == u'\t') out += u"\\t";
    else out += c;
  }
  return out;
}

std::string EntryPath(std::u16string_view folder, std::u16string_view title) {
  std::string path = U8(folder);
  if (!path.empty() && path.back() != '/') path += '/';
  return path + U8(title) + ".desktop";
}

}  // namespace

std::u16string DesktopExecQuote(std::u16string_view programPath) {
  // Inside double quotes, '"', '`', '$' and '\' take a backslash; '%' is doubled as a field code.
  std::u16string quoted = u"\"";
  for (char16_t c : programPath) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
    if (c == u'%') quoted += u'%';
    quoted += c;
  }
  quoted += u'"';
  return EscapeString(quoted);  // the Exec value is a string value as well
}

bool WriteAutostartEntry(std::u16string_view folder, std::u16string_view title, std::u16string_view programPath,
                         std::u16string_view description) {
  if (folder.empty() || !MakeFolders(U8(folder))) return false;
  const std::string path = EntryPath(folder, title);
  const std::string text = U8(u"[Desktop Entry]\nType=Application\nName=" + EscapeString(title) + u"\nComment=" +
                              EscapeString(description) + u"\nExec=" + DesktopExecQuote(programPath) +
                              u"\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0644) == 0;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  if (close(fd) != 0 || !ok || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

bool RemoveAutostartEntry(std::u16string_view folder, std::u16string_view title) {
  if (folder.empty()) return false;
  return unlink(EntryPath(folder, title).c_str()) == 0 || errno == ENOENT;
}

}  // namespace qav
