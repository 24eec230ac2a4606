// The files this process holds open for writing, from /proc/self/fd: a recording in progress is
// one, whichever thread writes it.
#pragma once

#include <string>
#include <vector>

namespace qav {

// The files at or below `folder` (a path; links in it resolved) that one of this process's open
// descriptors may write to, sorted. Empty when /proc cannot be read.
std::vector<std::u16string> FilesOpenForWriting(const std::u16string& folder);

}  // namespace qav
