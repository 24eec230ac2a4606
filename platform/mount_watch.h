// Tells when the file system that holds a folder goes away: in portable mode the program runs from
// a removable medium and must end when that medium is removed.
//
// The kernel marks /proc/self/mountinfo with an exceptional condition whenever the mount table
// changes. That mark is reported once, to the first poll that looks (a poll that only peeks, as a
// loop that waits and then serves does, takes it too), so a small thread of the watch's own waits
// for it and hands each change to the loop through an event descriptor, which stays readable until
// served. On the loop's thread the table is read again, and the callback runs once when the
// watched mount point is no longer listed. Changes to other mounts (another medium removed or
// added) are read and ignored.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/message_loop.h"

namespace qav {

class MountWatch {
 public:
  // The mount points listed now; nullopt when the table cannot be read (nothing is decided then).
  using MountTableReader = std::function<std::optional<std::vector<std::u16string>>()>;

  // Reads /proc/self/mountinfo; tests give their own reader.
  explicit MountWatch(MountTableReader reader = {});
  ~MountWatch();
  MountWatch(const MountWatch&) = delete;
  MountWatch& operator=(const MountWatch&) = delete;

  // Starts watching `mountPoint` (as /proc/self/mountinfo lists it) on the loop's thread; `onGone`
  // runs once when it disappears. False when the mount point is not listed now, or when the table
  // cannot be opened or watched.
  bool Start(MessageLoop& loop, std::u16string mountPoint, std::function<void()> onGone);
  void Stop();
  // Reads the table now, as a change notice does; true when the mount point is gone (and the
  // callback has run). For a reader without a kernel descriptor behind it, this is the notice.
  bool CheckNow();

 private:
  void WaitForChanges();

  MountTableReader reader_;
  MessageLoop* loop_ = nullptr;
  WatchId watch_ = 0;
  int mountinfo_ = -1;  // the kernel's change mark
  int changed_ = -1;    // eventfd: a change for the loop
  int stop_ = -1;       // eventfd: the waiting thread ends
  std::thread waiter_;
  std::u16string mountPoint_;
  std::function<void()> onGone_;
  bool gone_ = false;
};

// The mount points of /proc/self/mountinfo; nullopt when it cannot be read.
std::optional<std::vector<std::u16string>> ReadMountTable();

}  // namespace qav
