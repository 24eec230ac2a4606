#include "calls/recording_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <thread>

#include "foundation/settings_folders.h"
#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace qav {

namespace {

constexpr mode_t kRecordingFileMode = 0600;

}  // namespace

std::u16string RecordingUserFolder(std::u16string_view root, std::u16string_view name, std::u16string_view user) {
  if (root.empty() || user.empty() || !IsSafeUserFolderName(user)) return {};
  const std::u16string folder = WithTrailingSlash(root) + std::u16string(name) + u"/" + std::u16string(user) + u"/";
  CreateFolderTree(folder);
  return folder;
}

int64_t RecordingFileSize(std::u16string_view path) {
  struct stat st {};
  if (::stat(U8(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool DeleteRecordingFile(std::u16string_view path) { return ::unlink(U8(path).c_str()) == 0; }

bool MoveRecordingFile(std::u16string_view from, std::u16string_view to) {
  const std::string source = U8(from);
  const std::string target = U8(to);
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system that cannot refuse to replace in one step (FAT on a removable drive).
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0) {
    errno = EEXIST;  // the reason the caller reports
    return false;
  }
  return ::rename(source.c_str(), target.c_str()) == 0;
}

std::vector<RecordingFileEntry> ListRecordingFilesWithSizes(std::u16string_view folder) {
  std::vector<RecordingFileEntry> entries;
  const std::string path = U8(folder);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), &::closedir);
  if (!dir) return entries;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 || entry->d_type == DT_DIR) continue;
    names.emplace_back(name);
  }
  // Each file is looked at for its kind and size, some microseconds each: a folder of many
  // recordings is looked at by a few threads at once.
  std::vector<int64_t> sizes(names.size(), -1);
  const int folderFd = ::dirfd(dir.get());
  const auto look = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      struct stat st {};
      if (::fstatat(folderFd, names[i].c_str(), &st, 0) == 0 && S_ISREG(st.st_mode)) sizes[i] = st.st_size;
    }
  };
  constexpr size_t kFilesPerThread = 4096;
  const size_t threads = std::min<size_t>(4, (names.size() + kFilesPerThread - 1) / kFilesPerThread);
  if (threads <= 1) {
    look(0, names.size());
  } else {
    std::vector<std::thread> lookers;
    const size_t share = (names.size() + threads - 1) / threads;
    for (size_t t = 1; t < threads; ++t) {
      lookers.emplace_back(look, std::min(names.size(), t * share), std::min(names.size(), (t + 1) * share));
    }
    look(0, std::min(names.size(), share));
    for (std::thread& looker : lookers) looker.join();
  }
  entries.reserve(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    if (sizes[i] >= 0) entries.push_back({U16(names[i]), sizes[i]});
  }
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return entries;
}

std::vector<std::u16string> ListRecordingFiles(std::u16string_view folder) {
  std::vector<std::u16string> names;
  for (RecordingFileEntry& entry : ListRecordingFilesWithSizes(folder)) names.push_back(std::move(entry.name));
  return names;
}

std::optional<std::string> ReadRecordingFile(std::u16string_view path, size_t maxBytes) {
  const int fd = ::open(U8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::string> bytes;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) <= maxBytes) {
    std::string content(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < content.size()) {
      const ssize_t n = ::read(fd, content.data() + done, content.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    content.resize(done);
    bytes = std::move(content);
  }
  ::close(fd);
  return bytes;
}

bool WriteRecordingFile(std::u16string_view path, std::string_view bytes, ReplaceDurability durability) {
  return ReplaceFileAtomically(U8(path), kRecordingFileMode, bytes, durability);
}

}  // namespace qav
