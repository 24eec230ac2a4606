#include "platform/removable_drive.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/mount_point.h"
#include "platform/text.h"

namespace qav {
namespace {

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<size_t>(in.gcount()));
    if (text.size() > (8u << 20)) return {};
  }
  return text;
}

bool FlagSet(const std::string& path) { return Trim(std::string_view(ReadSmallFile(path))) == "1"; }

}  // namespace

std::string MountDeviceFor(std::u16string_view absolutePath, std::string_view mountinfo) {
  const std::vector<MountEntry> table = ParseMountTable(mountinfo);
  std::vector<std::u16string> points;
  for (const auto& entry : table) points.push_back(entry.point);
  const std::u16string mount = MountPointFor(absolutePath, points);
  std::string device;
  for (const auto& entry : table) {
    if (entry.point == mount) device = entry.device;  // the last mount on top wins
  }
  return device;
}

bool IsOnRemovableDrive(std::u16string_view folder) {
  std::u16string path(folder);
  char resolved[PATH_MAX];
  if (realpath(U8(folder).c_str(), resolved)) path = Utf8ToUtf16(resolved);
  const std::string device = MountDeviceFor(path, ReadSmallFile("/proc/self/mountinfo"));
  if (device.empty() || device.rfind("0:", 0) == 0) return false;  // major 0: no block device
  char real[PATH_MAX];
  if (!realpath(("/sys/dev/block/" + device).c_str(), real)) return false;
  std::string disk = real;
  if (!ReadSmallFile(disk + "/partition").empty()) disk = disk.substr(0, disk.rfind('/'));
  if (FlagSet(disk + "/removable")) return true;
  // USB disks often report themselves as fixed; the bus they hang off tells.
  return disk.find("/usb") != std::string::npos;
}

}  // namespace qav
