#include "ui/options/folder_move.h"

#include <cerrno>
#include <filesystem>
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
bool CopyThenDelete(const fs::path& from, const fs::path& to) {
  const fs::path part = to.parent_path() / (to.filename().string() + ".qavmove");
  std::error_code error;
  fs::remove_all(part, error);
  fs::copy(from, part, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
  if (!error) fs::rename(part, to, error);
  if (error) {
    std::error_code ignored;
    fs::remove_all(part, ignored);
    return false;
  }
  fs::remove_all(from, error);
  return !error;
}

bool MoveEntry(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::rename(from, to, error);
  if (!error) return true;
  if (error.value() != EXDEV) return false;
  return CopyThenDelete(from, to);
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
    if (MoveEntry(qav::U8(from + name), qav::U8(to + name))) {
      ++result.moved;
    } else {
      QAV_LOG(LOG_WARNING, u"Could not move %s to %s", from + name, to + name);
      result.failed.push_back(from + name);
    }
  }
  if (fs::is_empty(qav::U8(from), error) && !error) {
    QAV_LOG(LOG_INFO, u"Deleting Empty Folder: %s", from);
    fs::remove(qav::U8(WithoutTrailingSlashes(from)), error);
    if (error) QAV_LOG(LOG_WARNING, u"ERROR Deleting Empty Folder: %d", error.value());
  }
}
