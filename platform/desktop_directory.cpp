#include "platform/desktop_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace qav {

std::string DesktopDirectory() {
  if (const char* dir = std::getenv("QAV_DESKTOP_DIR"); dir && *dir) return dir;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::string(runtime) + "/qav-desktop";
  }
  return "/tmp/qav-desktop-" + std::to_string(getuid());
}

std::string OpenDesktopDirectory() {
  std::string dir = DesktopDirectory();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
  struct stat st{};
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return {};
  if ((st.st_mode & 077) != 0 && chmod(dir.c_str(), 0700) != 0) return {};
  return dir;
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
