#include "platform/mount_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>

#include "platform/crash_signals.h"
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
  mountinfo_ = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  changed_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  stop_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  loop_ = &loop;
  if (mountinfo_ >= 0 && changed_ >= 0 && stop_ >= 0) {
    watch_ = loop.WatchFd(changed_, kFdReadable, [this](int fd, uint32_t) {
      uint64_t count;
      while (read(fd, &count, sizeof count) == sizeof count) {
      }
      CheckNow();
    });
  }
  if (watch_ == 0) {
    Stop();
    return false;
  }
  waiter_ = std::thread([this] {
    PrepareThreadForCrashes();
    WaitForChanges();
  });
  return true;
}

void MountWatch::WaitForChanges() {
  for (;;) {
    pollfd fds[2] = {{mountinfo_, POLLPRI, 0}, {stop_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    if (fds[0].revents & (POLLPRI | POLLERR)) {
      const uint64_t one = 1;
      (void)!write(changed_, &one, sizeof one);
    }
  }
}

void MountWatch::Stop() {
  if (waiter_.joinable()) {
    const uint64_t one = 1;
    (void)!write(stop_, &one, sizeof one);
    waiter_.join();
  }
  if (watch_ != 0 && loop_ != nullptr) loop_->UnwatchFd(watch_);
  watch_ = 0;
  loop_ = nullptr;
  for (int* fd : {&mountinfo_, &changed_, &stop_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
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
