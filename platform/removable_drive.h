// Whether a folder lies on a removable medium (a USB stick, a memory card), in place of asking the
// drive type of a drive letter.
//
// The folder's mount is found in /proc/self/mountinfo; its block device (major:minor) is looked
// up under /sys/dev/block, and the medium counts as removable when the disk (the partition's
// parent for a partition) has "removable" set or hangs off a USB bus. File systems without a
// block device (tmpfs, network file systems) are not removable.
#pragma once

#include <string>
#include <string_view>

namespace qav {

bool IsOnRemovableDrive(std::u16string_view folder);

// The block device "major:minor" of the mount that holds the path, from a mountinfo text; "" when
// the path's mount lists none.
std::string MountDeviceFor(std::u16string_view absolutePath, std::string_view mountinfo);

}  // namespace qav
