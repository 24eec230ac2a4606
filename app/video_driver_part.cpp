#include "app/video_driver_part.h"

#include <exception>

#include "foundation/logger.h"

bool CVideoDriverPart::Create() {
  try {
    m_driver = std::make_unique<CVideoDriver>(CVideoDriverSetup{});
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
