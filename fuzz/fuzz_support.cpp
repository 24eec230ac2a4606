#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/fd/fd_write.h"

namespace qav::fuzz {

std::u16string Units(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                     (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  }
  return units;
}

uint8_t TakeByte(std::string_view& bytes) {
  if (bytes.empty()) return 0;
  const auto first = static_cast<uint8_t>(bytes.front());
  bytes.remove_prefix(1);
  return first;
}

int MemoryFile(std::string_view bytes) {
  const int fd = memfd_create("fuzz", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  if (!bytes.empty() && !WriteAllToFd(fd, bytes)) std::abort();
  if (lseek(fd, 0, SEEK_SET) != 0) std::abort();
  return fd;
}

const std::string& Folder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (tmp != nullptr && *tmp != 0 ? tmp : "/tmp");
    std::string pattern = std::string(base) + "/qav-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    // Removed at exit; the files in it are replaced on every run, so there are only a few.
    static std::string removeAtExit = pattern;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(removeAtExit, ignored);
    });
    return pattern + "/";
  }();
  return folder;
}

std::string WriteFile(const std::string& name, std::string_view bytes) {
  const std::string path = Folder() + name;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  if (!bytes.empty() && !WriteAllToFd(fd, bytes)) std::abort();
  close(fd);
  return path;
}

}  // namespace qav::fuzz
