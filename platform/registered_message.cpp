#include "platform/registered_message.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop_directory.h"
#include "platform/fd/fd_write.h"
#include "platform/message.h"
#include "platform/text.h"

namespace qav {

namespace {

constexpr size_t kMaxNameLength = 255;
constexpr size_t kMaxNames = kLastRegisteredMessage - kFirstRegisteredMessage + 1;
constexpr size_t kMaxFileSize = kMaxNames * (kMaxNameLength + 1);

bool IsUsableName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::mutex g_cacheMutex;
std::map<std::string, uint32_t> g_cache;  // "<desktop dir>\n<lower-case name>" -> number

bool ReadAll(int fd, std::string& content) {
  char buffer[8192];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) return false;
    if (n == 0) return true;
    content.append(buffer, static_cast<size_t>(n));
    if (content.size() > kMaxFileSize) return false;
  }
}


// Looks the name up in the shared file and appends it when missing; 0 on failure.
uint32_t LookUpOrAdd(const std::string& dir, std::string_view name) {
  int fd = open((dir + "/registered-messages").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return 0;
  uint32_t number = 0;
  if (flock(fd, LOCK_EX) == 0) {
    std::string content;
    if (ReadAll(fd, content)) {
      // A line left unfinished by a process that died mid-write is ended before appending.
      size_t index = 0, start = 0;
      bool complete = content.empty() || content.back() == '\n';
      while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        if (EqualsNoCase(std::string_view(content).substr(start, end - start), name)) {
          number = kFirstRegisteredMessage + static_cast<uint32_t>(index);
          break;
        }
        ++index;
        start = end + 1;
      }
      if (number == 0 && index < kMaxNames) {
        std::string line;
        if (!complete) line.push_back('\n');
        line.append(name);
        line.push_back('\n');
        if (WriteAllToFd(fd, line)) number = kFirstRegisteredMessage + static_cast<uint32_t>(index);
      }
    }
    flock(fd, LOCK_UN);
  }
  close(fd);
  return number;
}

}  // namespace

uint32_t RegisterWindowMessage(std::string_view name) {
  if (!IsUsableName(name)) return 0;
  std::string dir = OpenDesktopDirectory();
  if (dir.empty()) return 0;
  std::string key = dir + "\n" + ToLowerAscii(name);
  std::lock_guard lock(g_cacheMutex);
  if (auto it = g_cache.find(key); it != g_cache.end()) return it->second;
  uint32_t number = LookUpOrAdd(dir, name);
  if (number != 0) g_cache[key] = number;
  return number;
}

}  // namespace qav
