// The mount point of the file system that holds a path, from /proc/self/mountinfo.
//
// Portable mode keeps its greeting paths relative to this mount point, where the program's design
// kept them relative to its drive letter, so that they follow a removable medium mounted elsewhere
// next time.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qav {

// One line of a mountinfo text: the mount point (field 5, octal escapes such as "\040" decoded)
// and the device it mounts as "major:minor" (field 3).
struct MountEntry {
  std::u16string point;
  std::string device;
};

// The mounts listed in a mountinfo text, in file order. Malformed lines are skipped.
std::vector<MountEntry> ParseMountTable(std::string_view mountinfo);

// The mount points of ParseMountTable, in file order.
std::vector<std::u16string> ParseMountPoints(std::string_view mountinfo);

// The longest listed mount point that contains the absolute path, compared by whole path names; "/"
// when none does.
std::u16string MountPointFor(std::u16string_view absolutePath, const std::vector<std::u16string>& mountPoints);

// The mount point of the path on this machine (the path is made canonical first when it exists);
// nullopt when /proc/self/mountinfo cannot be read.
std::optional<std::u16string> MountPointOf(std::u16string_view path);

}  // namespace qav
