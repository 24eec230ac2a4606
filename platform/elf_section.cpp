#include "platform/elf_section.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace qav {

namespace {

class FileReader {
 public:
  explicit FileReader(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat info {};
    if (fd_ >= 0 && fstat(fd_, &info) == 0 && S_ISREG(info.st_mode)) size_ = static_cast<uint64_t>(info.st_size);
  }
  ~FileReader() {
    if (fd_ >= 0) close(fd_);
  }
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // Exactly `length` bytes at `offset`, or false when they are not all inside the file.
  bool Read(uint64_t offset, void* buffer, uint64_t length) const {
    if (fd_ < 0 || offset > size_ || length > size_ - offset) return false;
    auto* out = static_cast<char*>(buffer);
    uint64_t done = 0;
    while (done < length) {
      const ssize_t n = pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
      if (n <= 0) return false;
      done += static_cast<uint64_t>(n);
    }
    return true;
  }

 private:
  int fd_;
  uint64_t size_ = 0;
};

constexpr uint64_t kMaxSectionNames = 1 << 20;

}  // namespace

std::optional<std::string> ReadElfSection(const std::string& path, std::string_view name, size_t maximumBytes) {
  FileReader file(path);
  Elf64_Ehdr header{};
  if (!file.Read(0, &header, sizeof header)) return std::nullopt;
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
      header.e_ident[EI_DATA] != ELFDATA2LSB || header.e_shentsize != sizeof(Elf64_Shdr) ||
      header.e_shstrndx == SHN_UNDEF || header.e_shstrndx >= header.e_shnum) {
    return std::nullopt;
  }
  auto sectionHeader = [&](uint64_t index, Elf64_Shdr& out) {
    return file.Read(header.e_shoff + index * sizeof(Elf64_Shdr), &out, sizeof out);
  };
  Elf64_Shdr namesHeader{};
  if (!sectionHeader(header.e_shstrndx, namesHeader) || namesHeader.sh_size > kMaxSectionNames) return std::nullopt;
  std::string names(namesHeader.sh_size, '\0');
  if (!file.Read(namesHeader.sh_offset, names.data(), names.size())) return std::nullopt;

  for (uint64_t i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr section{};
    if (!sectionHeader(i, section)) return std::nullopt;
    if (section.sh_name >= names.size()) continue;
    const char* start = names.data() + section.sh_name;
    const std::string_view sectionName(start, strnlen(start, names.size() - section.sh_name));
    if (sectionName != name) continue;
    if (section.sh_type == SHT_NOBITS || section.sh_size > maximumBytes) return std::nullopt;
    std::string bytes(section.sh_size, '\0');
    if (!file.Read(section.sh_offset, bytes.data(), bytes.size())) return std::nullopt;
    return bytes;
  }
  return std::nullopt;
}

}  // namespace qav
