#include "ui/recordings/list_refresh_throttle.h"

#include <ctime>

CListRefreshThrottle::CListRefreshThrottle(std::function<void()> rebuild)
    : m_rebuild(std::move(rebuild)), m_clock([] { return static_cast<int64_t>(std::time(nullptr)); }) {
  m_timer.setSingleShot(true);
  m_timer.setInterval(kListRefreshDelayMs);
  QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { OnTimer(); });
}

void CListRefreshThrottle::Activate() {
  m_active = true;
  Request();
}

void CListRefreshThrottle::Request() {
  if (!m_active) {
    // The next activation rebuilds at once.
    m_lastRefresh = 0;
    m_timer.stop();
    return;
  }
  const int64_t now = m_clock();
  if (m_lastRefresh >= now) {
    // A rebuild already ran in this second: one more follows shortly, never more than one pending.
    if (!m_timer.isActive()) m_timer.start();
    return;
  }
  m_lastRefresh = now;
  m_rebuild();
  m_timer.stop();
}

void CListRefreshThrottle::OnTimer() {
  m_timer.stop();
  Request();
}
