#include "ui/options/folder_move.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "foundation/logger.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace {

std::u16string WithoutTrailingSlashes(std::u16string path) {
  while (path.size() > 1 && (path.back() == u'/' || path.back() == u'\\')) path.pop_back();
  return path;
}

// The folder exists (made one level deep when missing); its path with a trailing "/".
std::u16string PrepareFolder(const std::u16string& path) {
  const std::u16string bare = WithoutTrailingSlashes(path);
  std::error_code error;
  if (!fs::exists(qav::U8(bare), error)) fs::create_directory(qav::U8(bare), error);
  return bare + u"/";
}

// Another file system: a complete copy under a temporary name, renamed into place, and only then
// the original removed.
std::error_code CopyThenDelete(const fs::path& from, const fs::path& to) {
  const fs::path part = to.parent_path() / (to.filename().string() + ".qavmove");
  std::error_code error;
  fs::remove_all(part, error);
  fs::copy(from, part, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
  if (!error) fs::rename(part, to, error);
  if (error) {
    std::error_code ignored;
    fs::remove_all(part, ignored);
    return error;
  }
  fs::remove_all(from, error);
  return error;
}

std::error_code MoveEntry(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::rename(from, to, error);
  if (!error || error.value() != EXDEV) return error;
  return CopyThenDelete(from, to);
}

// The bytes of the regular files at and below the path.
uintmax_t BytesBelow(const fs::path& path) {
  std::error_code error;
  uintmax_t total = 0;
  for (fs::recursive_directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
    std::error_code sizeError;
    if (it->is_regular_file(sizeError) && !it->is_symlink(sizeError)) {
      const uintmax_t size = it->file_size(sizeError);
      if (!sizeError) total += size;
    }
  }
  return total;
}

// The device of the nearest existing folder at or above the path.
std::optional<dev_t> DeviceOf(fs::path path) {
  struct stat st {};
  while (!path.empty()) {
    if (::stat(path.c_str(), &st) == 0) return st.st_dev;
    if (path == path.parent_path()) break;
    path = path.parent_path();
  }
  return std::nullopt;
}

}  // namespace

void MoveFolderRecursive(const std::u16string& fromFolder, const std::u16string& toFolder, int depth,
                         CFolderMoveResult& result) {
  if (depth <= 0) return;
  QAV_LOG(LOG_INFO, u"Move Folder Recursive: from %s to %s [additional=%d]", fromFolder, toFolder, depth - 1);
  const std::u16string from = PrepareFolder(fromFolder);
  const std::u16string to = PrepareFolder(toFolder);
  std::error_code error;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(qav::U8(from), error), end; !error && it != end; it.increment(error)) {
    entries.push_back(*it);
  }
  for (const fs::directory_entry& entry : entries) {
    const std::u16string name = qav::Utf8ToUtf16(entry.path().filename().string());
    std::error_code typeError;
    if (entry.is_directory(typeError) && !entry.is_symlink(typeError) && depth != 1) {
      MoveFolderRecursive(from + name, to + name, depth - 1, result);
      continue;
    }
    QAV_LOG(LOG_INFO, u"Moving File Recursive: from %s to %s", from + name, to + name);
    const std::error_code moveError = MoveEntry(qav::U8(from + name), qav::U8(to + name));
    if (!moveError) {
      ++result.moved;
    } else {
      QAV_LOG(LOG_WARNING, u"Could not move %s to %s (%s)", from + name, to + name,
              qav::Utf8ToUtf16(moveError.message()));
      result.failed.push_back({from + name, moveError});
    }
  }
  if (fs::is_empty(qav::U8(from), error) && !error) {
    QAV_LOG(LOG_INFO, u"Deleting Empty Folder: %s", from);
    fs::remove(qav::U8(WithoutTrailingSlashes(from)), error);
    if (error) QAV_LOG(LOG_WARNING, u"ERROR Deleting Empty Folder: %d", error.value());
  }
}

bool FoldersNest(const std::u16string& first, const std::u16string& second) {
  // Links resolved where they can be, the path's own spelling tidied where not.
  const auto resolved = [](const std::u16string& folder) {
    const fs::path path = qav::U8(WithoutTrailingSlashes(folder));
    std::error_code error;
    fs::path real = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : real;
  };
  const fs::path a = resolved(first);
  const fs::path b = resolved(second);
  const auto [inA, inB] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return inA == a.end() || inB == b.end();
}

std::error_code CheckMoveTarget(const std::u16string& fromFolder, const std::u16string& newRoot) {
  const fs::path root = qav::U8(WithoutTrailingSlashes(newRoot));
  std::error_code error;
  if (!fs::is_directory(root, error)) {
    return error ? error : std::make_error_code(fs::exists(root) ? std::errc::not_a_directory
                                                                 : std::errc::no_such_file_or_directory);
  }
  // A file made and removed again is the one test of writing that holds for every user, root too.
  std::string probe = (root / ".qav-move-check-XXXXXX").string();
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return {errno, std::generic_category()};
  ::close(fd);
  ::unlink(probe.c_str());
  const fs::path from = qav::U8(WithoutTrailingSlashes(fromFolder));
  const std::optional<dev_t> fromDevice = DeviceOf(from);
  const std::optional<dev_t> toDevice = DeviceOf(root);
  if (fromDevice && toDevice && *fromDevice != *toDevice) {
    // Another file system: every file is copied before its original goes.
    const fs::space_info space = fs::space(root, error);
    if (!error && space.available < BytesBelow(from)) return std::make_error_code(std::errc::no_space_on_device);
  }
  return {};
}
