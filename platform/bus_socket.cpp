#include "platform/bus_socket.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/desktop_directory.h"

namespace qav::detail {

namespace {

constexpr int kListenBacklog = 64;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Runs `op` with the socket address of dir/name. A path too long for sun_path goes through the
// folder's descriptor under /proc/self/fd, which the kernel resolves like the full path.
template <typename Op>
int WithAddress(const std::string& dir, const std::string& name, Op op) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string path = dir + "/" + name;
  int dirFd = -1;
  if (path.size() >= sizeof(address.sun_path)) {
    dirFd = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return -1;
    path = "/proc/self/fd/" + std::to_string(dirFd) + "/" + name;
    if (path.size() >= sizeof(address.sun_path)) {
      close(dirFd);
      errno = ENAMETOOLONG;
      return -1;
    }
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int result = op(reinterpret_cast<sockaddr*>(&address), static_cast<socklen_t>(sizeof(sa_family_t) + path.size() + 1));
  int saved = errno;
  if (dirFd >= 0) close(dirFd);
  errno = saved;
  return result;
}

}  // namespace

std::string BusSocketName(Hwnd window, std::string_view className) {
  char head[20];
  std::snprintf(head, sizeof head, "%016llx.", static_cast<unsigned long long>(window));
  return head + EscapeDesktopName(className);
}

std::optional<BusWindowFile> ParseBusSocketName(std::string_view name) {
  if (name.size() < 18 || name[16] != '.') return std::nullopt;
  Hwnd window = 0;
  for (size_t i = 0; i < 16; ++i) {
    int v = HexValue(name[i]);
    if (v < 0) return std::nullopt;
    window = (window << 4) | static_cast<Hwnd>(v);
  }
  std::string className;
  for (size_t i = 17; i < name.size(); ++i) {
    char c = name[i];
    if (c == '%') {
      if (i + 2 >= name.size()) return std::nullopt;
      int hi = HexValue(name[i + 1]), lo = HexValue(name[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      className.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else if (IsPlainDesktopNameChar(c)) {
      className.push_back(c);
    } else {
      return std::nullopt;
    }
  }
  if (className.empty() || WindowProcessId(window) == 0) return std::nullopt;
  return BusWindowFile{window, std::move(className), std::string(name)};
}

std::vector<BusWindowFile> ListBusWindowFiles(const std::string& dir) {
  std::vector<BusWindowFile> files;
  DIR* d = opendir(dir.c_str());
  if (!d) return files;
  while (dirent* e = readdir(d)) {
    if (auto parsed = ParseBusSocketName(e->d_name)) files.push_back(std::move(*parsed));
  }
  closedir(d);
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return files;
}

std::optional<BusWindowFile> FindBusWindowFile(const std::string& dir, Hwnd window) {
  char head[20];
  std::snprintf(head, sizeof head, "%016llx.", static_cast<unsigned long long>(window));
  DIR* d = opendir(dir.c_str());
  if (!d) return std::nullopt;
  std::optional<BusWindowFile> found;
  while (dirent* e = readdir(d)) {
    if (std::strncmp(e->d_name, head, 17) != 0) continue;
    found = ParseBusSocketName(e->d_name);
    if (found) break;
  }
  closedir(d);
  return found;
}

int ListenOnBusSocket(const std::string& dir, const std::string& name) {
  // Bound and listening under a name that is no bus name, then renamed into place: whoever finds
  // the socket can connect at once. (A connection refused between bind and listen would pass the
  // live window's socket for one left behind, and remove it.) The rename also replaces a socket of
  // an ended process that had the same id and serial; no live one can have this name.
  const std::string pending = "." + name;
  const std::string pendingPath = dir + "/" + pending;
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  unlink(pendingPath.c_str());  // left by a process of this id that ended halfway
  int bound = WithAddress(dir, pending, [fd](sockaddr* a, socklen_t len) { return bind(fd, a, len); });
  if (bound == 0 && listen(fd, kListenBacklog) == 0 && rename(pendingPath.c_str(), (dir + "/" + name).c_str()) == 0) {
    return fd;
  }
  int saved = errno;
  close(fd);
  if (bound == 0) unlink(pendingPath.c_str());
  errno = saved;
  return -1;
}

int ConnectToBusSocket(const std::string& dir, const std::string& name, int timeoutMs, ConnectError* error) {
  *error = ConnectError::kFailed;
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (timeoutMs >= 0) {
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  }
  int r;
  do {
    r = WithAddress(dir, name, [fd](sockaddr* a, socklen_t len) { return connect(fd, a, len); });
  } while (r != 0 && errno == EINTR);
  if (r == 0) {
    *error = ConnectError::kNone;
    return fd;
  }
  int saved = errno;
  close(fd);
  if (saved == ENOENT) *error = ConnectError::kMissing;
  if (saved == ECONNREFUSED) *error = ConnectError::kRefused;
  return -1;
}

bool RemoveIfStale(const std::string& dir, const std::string& name) {
  ConnectError error;
  int fd = ConnectToBusSocket(dir, name, 200, &error);
  if (fd >= 0) {
    close(fd);
    return false;
  }
  if (error != ConnectError::kRefused) return false;
  return unlink((dir + "/" + name).c_str()) == 0;
}

bool ProcessExists(uint32_t pid) {
  if (pid == 0) return false;
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

void SweepEndedProcesses(const std::string& dir) {
  for (const auto& file : ListBusWindowFiles(dir)) {
    if (!ProcessExists(WindowProcessId(file.window))) unlink((dir + "/" + file.name).c_str());
  }
}

}  // namespace qav::detail
