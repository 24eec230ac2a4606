#include "platform/private_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qav {

std::string CheckPrivateFolder(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return "cannot be examined (" + std::string(std::strerror(errno)) + ")";
  if (S_ISLNK(info.st_mode)) return "is a symbolic link";
  if (!S_ISDIR(info.st_mode)) return "is not a folder";
  if (info.st_uid != geteuid()) return "belongs to another user (uid " + std::to_string(info.st_uid) + ")";
  const mode_t mode = info.st_mode & 07777;
  if (mode != 0700 && chmod(path.c_str(), 0700) != 0) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "%04o", static_cast<unsigned>(mode));
    return "has mode " + std::string(octal) + " and cannot be given mode 0700 (" + std::strerror(errno) + ")";
  }
  return {};
}

std::string OpenPrivateFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    return "cannot be created (" + std::string(std::strerror(errno)) + ")";
  }
  return CheckPrivateFolder(path);
}

}  // namespace qav
