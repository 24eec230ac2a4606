// Replacing a file's content so that a crash leaves the old content or the new, never a torn file.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace qav {

// What a replaced file must outlive. kPowerLoss flushes the file and its folder to the disk before
// returning, which waits on the disk. kProcessEnd leaves that to the system: the program ending
// anyhow (a kill, a crash) finds the old content or the new, but a power loss may leave the file
// empty, so only a file whose loss costs nothing (a hint a reader checks) is written so.
enum class ReplaceDurability { kPowerLoss, kProcessEnd };

// Writes the bytes to a temporary file beside `path` (UTF-8), gives it `mode` and renames it over
// `path`, flushed to the disk as `durability` asks. False (and `path` untouched) when any step
// fails.
bool ReplaceFileAtomically(const std::string& path, mode_t mode, std::string_view bytes,
                           ReplaceDurability durability = ReplaceDurability::kPowerLoss);

// Moves the file `from` to `to` (UTF-8), replacing a file there in one step, so that `to` holds
// the old file or the new one whole, never neither. Across file systems the file is first copied
// completely beside `to` and then renamed over it; `from` is removed only after that. False (with
// `to` and `from` as they were, and the reason in words in `problem` when given) when any step
// fails.
bool MoveFileReplacing(const std::string& from, const std::string& to, std::string* problem = nullptr);

}  // namespace qav
