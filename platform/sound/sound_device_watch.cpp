#include "platform/sound/sound_device_watch.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>

#include "platform/sound/sound_devices.h"

namespace qav {

namespace {

// Nodes of one card appear one after another: probe once they have been quiet this long.
constexpr int kSettleMs = 200;

// True when an event is in /dev/snd (watch sndWatch) or is /dev/snd itself coming or going.
bool HappenedToSnd(const char* buffer, ssize_t length, int sndWatch) {
  for (ssize_t at = 0; at < length;) {
    const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
    if (event->wd == sndWatch || (event->len > 0 && std::strcmp(event->name, "snd") == 0)) return true;
    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
  }
  return false;
}

}  // namespace

SoundDeviceWatch::SoundDeviceWatch() : m_stop(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  m_thread = std::thread([this] { Run(); });
}

SoundDeviceWatch::~SoundDeviceWatch() {
  const uint64_t one = 1;
  (void)!write(m_stop, &one, sizeof one);
  m_thread.join();
  close(m_stop);
}

void SoundDeviceWatch::Run() {
  pthread_setname_np(pthread_self(), "QAVSoundWatch");
  const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  int sndWatch = -1;
  const auto watchSnd = [&] {
    if (watch < 0) return;
    if (sndWatch >= 0) inotify_rm_watch(watch, sndWatch);
    sndWatch = inotify_add_watch(watch, "/dev/snd", IN_CREATE | IN_DELETE | IN_ATTRIB);
  };
  if (watch >= 0) inotify_add_watch(watch, "/dev", IN_CREATE | IN_DELETE | IN_ONLYDIR);
  watchSnd();
  RefreshSoundDevices();
  bool changed = false;
  for (;;) {
    pollfd fds[2] = {{m_stop, POLLIN, 0}, {watch, POLLIN, 0}};
    const int ready = poll(fds, watch >= 0 ? 2 : 1, changed ? kSettleMs : -1);
    if (ready < 0) continue;
    if (fds[0].revents) break;
    if (ready == 0) {
      changed = false;
      watchSnd();
      RefreshSoundDevices();
      continue;
    }
    alignas(inotify_event) char buffer[4096];
    const ssize_t n = read(watch, buffer, sizeof buffer);
    // /dev changes often (terminals): only a change of /dev/snd or of the folder itself counts.
    if (n > 0 && HappenedToSnd(buffer, n, sndWatch)) changed = true;
  }
  if (watch >= 0) close(watch);
}

}  // namespace qav
