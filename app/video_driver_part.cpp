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
  g_pVideoDriver = m_driver.get();
  return true;
}

void CVideoDriverPart::Delete() {
  if (g_pVideoDriver == m_driver.get()) g_pVideoDriver = nullptr;
  m_driver.reset();
}
