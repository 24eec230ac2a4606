// Folders that must stay the user's own (the desktop folder, the private temporary folder): a real
// folder, not a symbolic link, owned by this user, with mode 0700. Anyone who could replace such a
// folder, or reach into it, could listen on the desktop or swap the program's files.
#pragma once

#include <string>

namespace qav {

// Creates the folder with mode 0700 when it is missing (its parent must exist), then makes sure it
// is a folder of this user's with mode 0700, setting that mode when the folder has another. "" when
// the folder can be used; otherwise why not, in words for the user, e.g. "is a symbolic link",
// "is not a folder", "belongs to another user (uid 1001)", "cannot be created (Permission denied)".
std::string OpenPrivateFolder(const std::string& path);

// The same checks on an existing folder, without creating it.
std::string CheckPrivateFolder(const std::string& path);

}  // namespace qav
