#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/fd/fd_write.h"

namespace qav {
namespace {


std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolderOf(const std::string& path) {
  const int dir = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

bool Fail(std::string* problem, int error) {
  if (problem != nullptr) *problem = std::strerror(error);
  return false;
}

// Copies the open source into the open target, to its end.
bool CopyFd(int source, int target) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = read(source, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (!WriteAllToFd(target, std::string_view(buffer, static_cast<size_t>(got)))) return false;
  }
}

}  // namespace

bool MoveFileReplacing(const std::string& from, const std::string& to, std::string* problem) {
  if (rename(from.c_str(), to.c_str()) == 0) {
    SyncFolderOf(to);
    return true;
  }
  if (errno != EXDEV) return Fail(problem, errno);
  // Another file system: the whole copy under a temporary name beside the target, then one rename.
  const int source = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) return Fail(problem, errno);
  struct stat info {};
  std::string temp = to + ".XXXXXX";
  const int target = fstat(source, &info) == 0 ? mkostemp(temp.data(), O_CLOEXEC) : -1;
  if (target < 0) {
    const int error = errno;
    close(source);
    return Fail(problem, error);
  }
  bool ok = fchmod(target, info.st_mode & 07777) == 0 && CopyFd(source, target) && fsync(target) == 0;
  int error = ok ? 0 : errno;
  close(source);
  if (close(target) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && rename(temp.c_str(), to.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    return Fail(problem, error != 0 ? error : EIO);
  }
  SyncFolderOf(to);
  unlink(from.c_str());
  return true;
}

bool ReplaceFileAtomically(const std::string& path, mode_t mode, std::string_view bytes, ReplaceDurability durability) {
  const bool flush = durability == ReplaceDurability::kPowerLoss;
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fchmod(fd, mode) == 0 && WriteAllToFd(fd, bytes) && (!flush || fsync(fd) == 0);
  if (close(fd) != 0 || !ok || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  if (flush) SyncFolderOf(path);
  return true;
}

}  // namespace qav
