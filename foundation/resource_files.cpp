#include "foundation/resource_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/logger.h"
#include "foundation/mem_file.h"
#include "platform/text.h"

int SaveResourceToFile(std::u16string_view type, int id, std::u16string_view path, ResourceLookup find) {
  const std::optional<std::span<const uint8_t>> bytes = find(type, id);
  if (!bytes) {
    QAV_LOG(LOG_WARNING, u"SaveResourceToFile: no resource %s %d", type, id);
    return 0;
  }
  const std::string file = qav::Utf16ToUtf8(path);
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    QAV_LOG(LOG_WARNING, u"SaveResourceToFile: cannot create %s (errno %d)", path, errno);
    return 0;
  }
  size_t written = 0;
  while (written < bytes->size()) {
    const ssize_t n = write(fd, bytes->data() + written, bytes->size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const bool closed = close(fd) == 0;
  if (written != bytes->size() || !closed) {
    QAV_LOG(LOG_WARNING, u"SaveResourceToFile: cannot write %s (errno %d)", path, errno);
    return 0;
  }
  return 1;
}

int MakeMemFileFromResource(std::u16string_view type, int id, CMemFile& memFile, ResourceLookup find) {
  const std::optional<std::span<const uint8_t>> bytes = find(type, id);
  if (bytes && !bytes->empty()) memFile.Write(bytes->data(), bytes->size());
  memFile.SeekToBegin();
  return 1;
}
