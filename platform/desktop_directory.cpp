#include "platform/desktop_directory.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/private_folder.h"

namespace qav {

std::string DesktopDirectory() {
  if (const char* dir = std::getenv("QAV_DESKTOP_DIR"); dir && *dir) return dir;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::string(runtime) + "/qav-desktop";
  }
  return "/tmp/qav-desktop-" + std::to_string(getuid());
}

std::string OpenDesktopDirectory(std::string* problem) {
  std::string dir = DesktopDirectory();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  const std::string reason = OpenPrivateFolder(dir);
  if (problem != nullptr) *problem = reason.empty() ? std::string() : "\"" + dir + "\" " + reason;
  return reason.empty() ? dir : std::string();
}

bool IsPlainDesktopNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

std::string EscapeDesktopName(std::string_view name) {
  std::string escaped;
  for (char c : name) {
    if (IsPlainDesktopNameChar(c)) {
      escaped.push_back(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
      escaped += hex;
    }
  }
  return escaped;
}

}  // namespace qav
