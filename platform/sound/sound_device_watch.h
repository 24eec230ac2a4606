// Keeps the known sound devices (sound_devices.h) current without anyone waiting for a probe: a
// thread of its own probes once when the watch starts, and again whenever a sound device node
// comes or goes (/dev/snd, watched with inotify; a machine without /dev/snd is watched for its
// appearance). The audio thread then opens devices by name from what is known and never opens
// the machine's device nodes itself when a recording starts.
#pragma once

#include <thread>

namespace qav {

class SoundDeviceWatch {
 public:
  SoundDeviceWatch();
  // Stops the thread and joins it.
  ~SoundDeviceWatch();
  SoundDeviceWatch(const SoundDeviceWatch&) = delete;
  SoundDeviceWatch& operator=(const SoundDeviceWatch&) = delete;

 private:
  void Run();

  int m_stop = -1;  // eventfd that wakes the thread to end
  std::thread m_thread;
};

}  // namespace qav
