#include "foundation/resource_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/logger.h"
#include "foundation/mem_file.h"
#include "platform/fd/fd_write.h"
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
  const bool written =
      qav::WriteAllToFd(fd, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  const bool closed = close(fd) == 0;
  if (!written || !closed) {
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
