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

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t pos = 0;
  while (pos < line.size()) {
    const size_t space = line.find(' ', pos);
    fields.push_back(line.substr(pos, space == std::string_view::npos ? std::string_view::npos : space - pos));
    if (space == std::string_view::npos) break;
    pos = space + 1;
  }
  return fields;
}

bool FlagSet(const std::string& path) { return Trim(std::string_view(ReadSmallFile(path))) == "1"; }

}  // namespace

std::string MountDeviceFor(std::u16string_view absolutePath, std::string_view mountinfo) {
  const std::u16string mount = MountPointFor(absolutePath, ParseMountPoints(mountinfo));
  std::string device;
  size_t start = 0;
  while (start < mountinfo.size()) {
    size_t end = mountinfo.find('\n', start);
    if (end == std::string_view::npos) end = mountinfo.size();
    const std::string_view line = mountinfo.substr(start, end - start);
    start = end + 1;
    const auto fields = Fields(line);
    if (fields.size() < 5) continue;
    // The mount point field is escaped; compare the decoded form of this one line.
    const auto points = ParseMountPoints(line);
    if (points.size() == 1 && points[0] == mount) device = std::string(fields[2]);  // the last mount on top wins
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
