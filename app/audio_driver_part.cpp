#include "app/audio_driver_part.h"

bool CAudioDriverPart::Start() {
  m_driver = std::make_unique<CAudioDriver>();
  if (m_driver->Start() != 1) {
    m_driver.reset();
    return false;
  }
  g_pAudioDriver = m_driver.get();
  return true;
}

bool CAudioDriverPart::Stop(int) {
  // Requesters check the pointer first; it goes before the thread is brought to rest.
  if (g_pAudioDriver == m_driver.get()) g_pAudioDriver = nullptr;
  m_driver.reset();
  return true;
}
