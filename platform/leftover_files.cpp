#include "platform/leftover_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/text.h"

namespace qav {

FileInUse::FileInUse(const std::u16string& path) {
  m_fd = open(U8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (m_fd >= 0 && flock(m_fd, LOCK_EX | LOCK_NB) != 0) Release();
}

FileInUse::~FileInUse() { Release(); }

FileInUse::FileInUse(FileInUse&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileInUse& FileInUse::operator=(FileInUse&& other) noexcept {
  if (this != &other) {
    Release();
    m_fd = std::exchange(other.m_fd, -1);
  }
  return *this;
}

void FileInUse::Release() {
  if (m_fd >= 0) close(m_fd);  // closing the last descriptor drops the lock
  m_fd = -1;
}

std::vector<std::u16string> RemoveLeftoverFiles(const std::u16string& folder, std::u16string_view prefix) {
  std::vector<std::u16string> removed;
  const std::string start = Utf16ToUtf8(prefix);
  DIR* dir = opendir(U8(folder).c_str());
  if (dir == nullptr) return removed;
  const int dirFd = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (start.empty() || name.compare(0, start.size(), start) != 0) continue;
    struct stat info {};
    if (fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) continue;
    const int fd = openat(dirFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    // Held by a writer (this or another run of the program): still being written.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && unlinkat(dirFd, name.c_str(), 0) == 0) {
      removed.push_back(Utf8ToUtf16(name));
    }
    close(fd);
  }
  closedir(dir);
  return removed;
}

}  // namespace qav
