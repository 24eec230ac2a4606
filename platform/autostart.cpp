#include "platform/autostart.h"

#include <unistd.h>

#include <cerrno>

#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace qav {
namespace {

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
  if (folder.empty() || !CreateFolderTree(folder)) return false;
  const std::string path = EntryPath(folder, title);
  const std::string text = U8(u"[Desktop Entry]\nType=Application\nName=" + EscapeString(title) + u"\nComment=" +
                              EscapeString(description) + u"\nExec=" + DesktopExecQuote(programPath) +
                              u"\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
  return ReplaceFileAtomically(path, 0644, text);
}

bool RemoveAutostartEntry(std::u16string_view folder, std::u16string_view title) {
  if (folder.empty()) return false;
  return unlink(EntryPath(folder, title).c_str()) == 0 || errno == ENOENT;
}

}  // namespace qav
