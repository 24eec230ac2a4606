// CListRefreshThrottle: the once-a-second rebuild of a recordings list page. The program asks for
// a refresh after every change to the collections, often many times a second during a call; the
// page rebuilds at most once a second while it is shown, and a request within the same second
// leaves exactly one deferred rebuild. A page that is not shown never rebuilds and rebuilds at
// once when it is shown again. GUI thread only.
#pragma once

#include <QTimer>
#include <cstdint>
#include <functional>

// A second rebuild asked for within the same second follows this much later.
inline constexpr int kListRefreshDelayMs = 250;

class CListRefreshThrottle {
 public:
  // Seconds since 1970.
  using Clock = std::function<int64_t()>;

  // `rebuild` is the page's list rebuild; the clock is the system's until SetClock.
  explicit CListRefreshThrottle(std::function<void()> rebuild);
  CListRefreshThrottle(const CListRefreshThrottle&) = delete;
  CListRefreshThrottle& operator=(const CListRefreshThrottle&) = delete;

  void SetClock(Clock clock) { m_clock = std::move(clock); }

  // The page became the shown page: it refreshes at once.
  void Activate();
  // The page is no longer shown.
  void Deactivate() { m_active = false; }
  // A refresh request (the program's, or the deferred one).
  void Request();
  // The deferred rebuild is due (what the timer runs; tests call it instead of waiting).
  void OnTimer();

  bool IsActive() const { return m_active; }
  bool Pending() const { return m_timer.isActive(); }

 private:
  std::function<void()> m_rebuild;
  Clock m_clock;
  bool m_active = false;
  int64_t m_lastRefresh = 0;
  QTimer m_timer;
};
