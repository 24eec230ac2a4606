// Replacing a file's content so that a crash leaves the old content or the new, never a torn file.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace qav {

// Writes the bytes to a temporary file beside `path` (UTF-8), flushes it, gives it `mode`, renames
// it over `path` and flushes the folder. False (and `path` untouched) when any step fails.
bool ReplaceFileAtomically(const std::string& path, mode_t mode, std::string_view bytes);

// Moves the file `from` to `to` (UTF-8), replacing a file there in one step, so that `to` holds
// the old file or the new one whole, never neither. Across file systems the file is first copied
// completely beside `to` and then renamed over it; `from` is removed only after that. False (with
// `to` and `from` as they were, and the reason in words in `problem` when given) when any step
// fails.
bool MoveFileReplacing(const std::string& from, const std::string& to, std::string* problem = nullptr);

}  // namespace qav
