// Named mutexes shared by the processes of one desktop, such as the single-instance locks of the
// program and of the webcam application.
//
// A named mutex is a lock file in the desktop directory's "mutex" folder (platform/
// desktop_directory.h), named after the mutex (characters other than letters, digits, '_' and '-'
// written as %XX). Its owner holds an exclusive flock on the file for as long as it keeps the
// NamedMutex. The kernel lets go when the owner ends, however it ends, so a crashed owner never
// leaves the mutex taken; the descriptor is close-on-exec, so a program the owner starts does not
// keep it. The file is never removed: removing a lock file while another process opens it would
// give the mutex two owners.
//
// Probing (IsNamedMutexHeld) takes a shared lock for an instant and lets it go, so any number of
// probes can run at once without seeing each other as owners; an owner that tries to take the
// mutex in that same instant is turned away as if the mutex were held.
#pragma once

#include <string>
#include <string_view>

namespace qav {

class NamedMutex {
 public:
  NamedMutex() = default;
  ~NamedMutex() { Release(); }
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;
  NamedMutex(NamedMutex&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  NamedMutex& operator=(NamedMutex&& other) noexcept;

  // Takes the mutex without waiting. False when another owner (in this process or another) holds
  // it, or when the lock file cannot be made (a bad name, no usable desktop directory). A mutex
  // this object already holds is released first.
  bool TryAcquire(std::string_view name);
  // Tries until the mutex is taken or `timeoutMs` have passed on the real monotonic clock, for a
  // copy that waits for the one it replaces to end. True when taken.
  bool AcquireWithin(std::string_view name, int timeoutMs);
  void Release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// True when some owner holds the mutex now. Creates nothing: a mutex that was never taken is free.
bool IsNamedMutexHeld(std::string_view name);

// The lock file's path ("" for a name that cannot be used: empty, or longer than 200 bytes).
std::string NamedMutexPath(std::string_view name);

}  // namespace qav
