#include "app/audio_driver_part.h"

#include <vector>

bool CAudioDriverPart::Start() {
  m_driver = std::make_unique<CAudioDriver>();
  if (m_driver->Start() != 1) {
    m_driver.reset();
    return false;
  }
  g_pAudioDriver = m_driver.get();
  return true;
}

bool CAudioDriverPart::Stop(int timeoutMs) {
  // Requesters check the pointer first; it goes before the thread is brought to rest.
  if (g_pAudioDriver == m_driver.get()) g_pAudioDriver = nullptr;
  if (!m_driver) return true;
  if (!m_driver->Shutdown(timeoutMs)) {
    // The thread hangs in a handler and still uses its driver: the driver is kept to the end of the
    // process instead of being waited for, so the exit goes on. Never freed, on purpose.
    static auto* const hung = new std::vector<std::unique_ptr<CAudioDriver>>;
    hung->push_back(std::move(m_driver));
    return false;
  }
  m_driver.reset();
  return true;
}
