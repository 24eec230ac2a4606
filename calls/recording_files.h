// The file operations the recordings need, on the program's UTF-16 paths ("/" separators).
//
// Each reports failure by its result and never throws; none follows a name out of its folder
// (the names are made by calls/recording_file_names.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/atomic_file.h"

namespace qav {

// root + name + "/" + user + "/", both levels created when missing; "" without a root or a user,
// or for a user handle that cannot name a folder (IsSafeUserFolderName).
std::u16string RecordingUserFolder(std::u16string_view root, std::u16string_view name, std::u16string_view user);

// The size of a regular file in bytes; -1 when there is none.
int64_t RecordingFileSize(std::u16string_view path);
// Deletes the file; true when it was deleted.
bool DeleteRecordingFile(std::u16string_view path);
// Moves the file to a new name in the same folder, never over a file that exists there (as
// MoveFileW does); true when moved, else false with errno telling why.
bool MoveRecordingFile(std::u16string_view from, std::u16string_view to);
// The names of the regular files in the folder (not "." and "..", no folders), sorted.
std::vector<std::u16string> ListRecordingFiles(std::u16string_view folder);
// The same with each file's size, from the one look at each file the listing takes.
struct RecordingFileEntry {
  std::u16string name;
  int64_t size = 0;
};
std::vector<RecordingFileEntry> ListRecordingFilesWithSizes(std::u16string_view folder);
// The whole file, when it is a regular file of at most `maxBytes`.
std::optional<std::string> ReadRecordingFile(std::u16string_view path, size_t maxBytes);
// Replaces the file's content with the bytes, all or nothing, flushed to the disk as `durability`
// asks; true when written.
bool WriteRecordingFile(std::u16string_view path, std::string_view bytes,
                        ReplaceDurability durability = ReplaceDurability::kPowerLoss);

}  // namespace qav
