#include "platform/stop_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace qav {
namespace {

sigset_t StopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void BlockStopSignals() {
  const sigset_t set = StopSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

StopSignals::~StopSignals() { Stop(); }

bool StopSignals::Start(MessageLoop& loop, std::function<void(int)> onStop) {
  Stop();
  const sigset_t set = StopSignalSet();
  fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  if (fd_ < 0) return false;
  loop_ = &loop;
  watch_ = loop.WatchFd(fd_, kFdReadable, [onStop = std::move(onStop)](int fd, uint32_t) {
    signalfd_siginfo info;
    while (read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      if (onStop) onStop(static_cast<int>(info.ssi_signo));
    }
  });
  if (watch_ == 0) {
    Stop();
    return false;
  }
  return true;
}

void StopSignals::Stop() {
  if (watch_ != 0 && loop_) loop_->UnwatchFd(watch_);
  watch_ = 0;
  loop_ = nullptr;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

}  // namespace qav
