#include "platform/autostart.h"

#include <unistd.h>

#include <cerrno>
#include <fstream>

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

std::u16string DesktopExecLine(std::u16string_view programPath, std::span<const std::u16string> arguments) {
  std::u16string line = DesktopExecQuote(programPath);
  for (const auto& argument : arguments) line += u" " + DesktopExecQuote(argument);
  return line;
}

bool WriteAutostartEntry(std::u16string_view folder, std::u16string_view title, std::u16string_view programPath,
                         std::u16string_view description) {
  return WriteAutostartEntry(folder, title, programPath, {}, description);
}

bool WriteAutostartEntry(std::u16string_view folder, std::u16string_view title, std::u16string_view programPath,
                         std::span<const std::u16string> arguments, std::u16string_view description) {
  if (folder.empty() || !CreateFolderTree(folder)) return false;
  const std::string path = EntryPath(folder, title);
  const std::string text = U8(u"[Desktop Entry]\nType=Application\nName=" + EscapeString(title) + u"\nComment=" +
                              EscapeString(description) + u"\nExec=" + DesktopExecLine(programPath, arguments) +
                              u"\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
  return ReplaceFileAtomically(path, 0644, text);
}

std::optional<std::u16string> ReadAutostartExec(std::u16string_view folder, std::u16string_view title) {
  if (folder.empty()) return std::nullopt;
  std::ifstream in(EntryPath(folder, title), std::ios::binary);
  if (!in) return std::nullopt;
  std::string line;
  // An entry is a few lines; a file that runs on is not one of ours.
  for (int count = 0; count < 1000 && std::getline(in, line); ++count) {
    if (line.rfind("Exec=", 0) == 0) return Utf8ToUtf16(line.substr(5));
  }
  return std::nullopt;
}

bool RemoveAutostartEntry(std::u16string_view folder, std::u16string_view title) {
  if (folder.empty()) return false;
  return unlink(EntryPath(folder, title).c_str()) == 0 || errno == ENOENT;
}

}  // namespace qav
