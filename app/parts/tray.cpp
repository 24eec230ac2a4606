#include "app/parts/tray.h"

#include "foundation/logger.h"

bool CNullTray::ShowBalloon(std::u16string_view text, int32_t durationMs, std::u16string_view link) {
  QAV_LOG(LOG_INFO, u"CNullTray::ShowBalloon( %s, %d, %s ): no tray icon", text, durationMs, link);
  return false;
}
