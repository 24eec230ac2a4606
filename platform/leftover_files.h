// Temporary files that outlive their writer when the program crashes, and how a later start tells
// them from files still being written: a writer marks its file in use with an advisory lock for as
// long as it writes. The system drops the lock with the process, so a file nobody holds is left over.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qav {

// Marks a file in use while it lives (an exclusive flock on a descriptor of its own).
class FileInUse {
 public:
  FileInUse() = default;
  explicit FileInUse(const std::u16string& path);
  ~FileInUse();
  FileInUse(FileInUse&& other) noexcept;
  FileInUse& operator=(FileInUse&& other) noexcept;
  FileInUse(const FileInUse&) = delete;
  FileInUse& operator=(const FileInUse&) = delete;

  bool IsHeld() const { return m_fd >= 0; }
  void Release();

 private:
  int m_fd = -1;
};

// Removes the regular files directly in `folder` whose names start with `prefix` and that nobody
// marks in use; folders, symbolic links and every other name are left alone. Returns the names
// removed.
std::vector<std::u16string> RemoveLeftoverFiles(const std::u16string& folder, std::u16string_view prefix);

}  // namespace qav
