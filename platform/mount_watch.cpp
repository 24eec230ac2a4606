#include "platform/mount_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "platform/mount_point.h"

namespace qav {
namespace {

constexpr size_t kMaxMountTableBytes = 8u << 20;

}  // namespace

std::optional<std::vector<std::u16string>> ReadMountTable() {
  const int fd = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  char chunk[8192];
  ssize_t n;
  while ((n = read(fd, chunk, sizeof chunk)) > 0) {
    text.append(chunk, static_cast<size_t>(n));
    if (text.size() > kMaxMountTableBytes) break;
  }
  close(fd);
  if (n < 0 || text.size() > kMaxMountTableBytes) return std::nullopt;
  return ParseMountPoints(text);
}

MountWatch::MountWatch(MountTableReader reader) : reader_(reader ? std::move(reader) : MountTableReader(ReadMountTable)) {}

MountWatch::~MountWatch() { Stop(); }

bool MountWatch::Start(MessageLoop& loop, std::u16string mountPoint, std::function<void()> onGone) {
  Stop();
  const auto table = reader_();
  if (!table || std::find(table->begin(), table->end(), mountPoint) == table->end()) return false;
  mountPoint_ = std::move(mountPoint);
  onGone_ = std::move(onGone);
  gone_ = false;
  loop_ = &loop;
  // The descriptor only carries the change notices; the table is read afresh by the reader. Its
  // readability is always set, so only the exceptional condition (reported as a hang-up) is
  // asked for.
  fd_ = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  watch_ = loop.WatchFd(fd_, 0, [this](int, uint32_t) { CheckNow(); });
  if (watch_ == 0) {
    close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

void MountWatch::Stop() {
  if (watch_ != 0 && loop_ != nullptr) loop_->UnwatchFd(watch_);
  watch_ = 0;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  loop_ = nullptr;
}

bool MountWatch::CheckNow() {
  if (gone_) return true;
  if (mountPoint_.empty()) return false;
  const auto table = reader_();
  if (!table || std::find(table->begin(), table->end(), mountPoint_) != table->end()) return false;
  gone_ = true;
  Stop();
  if (onGone_) onGone_();
  return true;
}

}  // namespace qav
