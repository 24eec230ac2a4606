#include "platform/open_files.h"

#include <fcntl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "platform/text.h"

namespace qav {

namespace fs = std::filesystem;

namespace {

// The "flags:" line of /proc/self/fdinfo/<fd> (octal open flags); -1 when it cannot be read.
long OpenFlags(const std::string& fd) {
  std::ifstream info("/proc/self/fdinfo/" + fd);
  std::string key;
  while (info >> key) {
    if (key == "flags:") {
      std::string octal;
      info >> octal;
      return std::strtol(octal.c_str(), nullptr, 8);
    }
    info.ignore(4096, '\n');
  }
  return -1;
}

bool IsAtOrBelow(const fs::path& path, const fs::path& folder) {
  auto [f, p] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
  // A trailing "/" of the folder leaves one empty component.
  return f == folder.end() || (std::next(f) == folder.end() && f->empty());
}

}  // namespace

std::vector<std::u16string> FilesOpenForWriting(const std::u16string& folder) {
  std::error_code error;
  const fs::path root = fs::weakly_canonical(U8(folder), error);
  if (error) return {};
  std::vector<std::u16string> files;
  for (fs::directory_iterator it("/proc/self/fd", error), end; !error && it != end; it.increment(error)) {
    std::error_code linkError;
    const fs::path target = fs::read_symlink(it->path(), linkError);
    if (linkError || !target.is_absolute() || !IsAtOrBelow(target, root)) continue;
    const long flags = OpenFlags(it->path().filename().string());
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) continue;
    files.push_back(Utf8ToUtf16(target.string()));
  }
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  return files;
}

}  // namespace qav
