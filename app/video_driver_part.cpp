#include "app/video_driver_part.h"

#include <exception>

#include "foundation/logger.h"
#include "skype/link/skype_client_info.h"

bool CVideoDriverPart::Create() {
  try {
    CVideoDriverSetup setup;
    setup.readSkypeVersion = GetRequiredSkypeVersion;
    setup.storeSkypeVersion = SetRequiredSkypeVersion;
    m_driver = std::make_unique<CVideoDriver>(setup);
  } catch (const std::exception& e) {
    QAV_LOG(LOG_INFO, u"CVideoDriverPart::Create: %s", e.what());
    return false;
  }
  // Published only once it is built, so a reader on another thread never sees half a driver.
  g_pVideoDriver.store(m_driver.get(), std::memory_order_release);
  return true;
}

void CVideoDriverPart::Delete() {
  CVideoDriver* ours = m_driver.get();
  g_pVideoDriver.compare_exchange_strong(ours, nullptr, std::memory_order_acq_rel);
  m_driver.reset();
}
