// Replacing a file's content so that a crash leaves the old content or the new, never a torn file.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace qav {

// Writes the bytes to a temporary file beside `path` (UTF-8), flushes it, gives it `mode`, renames
// it over `path` and flushes the folder. False (and `path` untouched) when any step fails.
bool ReplaceFileAtomically(const std::string& path, mode_t mode, std::string_view bytes);

}  // namespace qav
