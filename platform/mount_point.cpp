#include "platform/mount_point.h"

#include <climits>
#include <cstdlib>
#include <fstream>

#include "platform/text.h"

namespace qav {
namespace {

// mountinfo escapes space, tab, newline and backslash as a backslash and three octal digits.
std::string DecodeOctalEscapes(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

bool Contains(std::u16string_view mount, std::u16string_view path) {
  if (mount == u"/") return !path.empty() && path[0] == u'/';
  if (path.size() < mount.size() || path.substr(0, mount.size()) != mount) return false;
  return path.size() == mount.size() || path[mount.size()] == u'/';
}

}  // namespace

std::vector<MountEntry> ParseMountTable(std::string_view mountinfo) {
  std::vector<MountEntry> entries;
  size_t start = 0;
  while (start < mountinfo.size()) {
    size_t end = mountinfo.find('\n', start);
    if (end == std::string_view::npos) end = mountinfo.size();
    const std::string_view line = mountinfo.substr(start, end - start);
    start = end + 1;
    // Fields: id, parent id, major:minor, root, mount point, ...
    size_t pos = 0;
    std::string_view field, device;
    int index = 0;
    while (index < 5 && pos < line.size()) {
      const size_t space = line.find(' ', pos);
      field = line.substr(pos, space == std::string_view::npos ? std::string_view::npos : space - pos);
      pos = space == std::string_view::npos ? line.size() : space + 1;
      if (++index == 3) device = field;
    }
    if (index == 5 && !field.empty() && field[0] == '/') {
      entries.push_back({Utf8ToUtf16(DecodeOctalEscapes(field)), std::string(device)});
    }
  }
  return entries;
}

std::vector<std::u16string> ParseMountPoints(std::string_view mountinfo) {
  std::vector<std::u16string> points;
  for (auto& entry : ParseMountTable(mountinfo)) points.push_back(std::move(entry.point));
  return points;
}

std::u16string MountPointFor(std::u16string_view absolutePath, const std::vector<std::u16string>& mountPoints) {
  std::u16string best = u"/";
  for (const auto& mount : mountPoints) {
    if (mount.size() > best.size() && Contains(mount, absolutePath)) best = mount;
  }
  return best;
}

std::optional<std::u16string> MountPointOf(std::u16string_view path) {
  std::ifstream in("/proc/self/mountinfo", std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  char chunk[8192];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<size_t>(in.gcount()));
    if (text.size() > (8u << 20)) return std::nullopt;  // bounded: no machine has that many mounts
  }
  std::u16string canonical(path);
  char resolved[PATH_MAX];
  if (realpath(U8(path).c_str(), resolved)) canonical = Utf8ToUtf16(resolved);
  return MountPointFor(canonical, ParseMountPoints(text));
}

}  // namespace qav
