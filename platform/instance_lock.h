// The single-instance lock of a program on this desktop.
//
// The lock is a file in the desktop directory's "mutex" folder (platform/desktop_directory.h),
// named after the lock (characters other than letters, digits, '_' and '-' written as %XX). The
// owner holds an exclusive flock on it for as long as it keeps the InstanceLock. The kernel lets
// go when the owner ends, however it ends, so a copy killed with SIGKILL never leaves the lock
// taken; the descriptor is close-on-exec, so a program the owner starts (the call client, a copy
// restarted after an update) never keeps it. The file itself stays: removing a lock file while
// another process opens it would give the lock two owners.
//
// Probing (IsInstanceLockHeld) takes a shared lock for an instant and lets it go; it creates
// nothing, so asking whether a copy runs leaves no trace.
#pragma once

#include <string>
#include <string_view>

namespace qav {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock() { Release(); }
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock without waiting. False when another owner (in this process or another) holds
  // it, or when the lock file cannot be made (an unusable name or desktop directory). A lock this
  // object already holds is released first.
  bool TryAcquire(std::string_view name);
  // Tries until the lock is taken or `timeoutMs` have passed on the real monotonic clock, for a
  // copy that waits for the one it replaces to end. True when taken.
  bool AcquireWithin(std::string_view name, int timeoutMs);
  void Release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// True when some owner holds the lock now. Creates no file or folder.
bool IsInstanceLockHeld(std::string_view name);

// The lock file's path ("" for a name that cannot be used: empty, or longer than 200 bytes).
std::string InstanceLockPath(std::string_view name);

}  // namespace qav
