// What the recordings pages' Call and Chat tests watch: the wait cursor as each command leaves for
// the call client, and the pages' pauses on a virtual clock the test moves.
#pragma once

#include <QApplication>
#include <QCursor>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "tests/support/skype_doubles.h"
#include "ui/recordings/recording_list_page.h"

namespace qav::test {

inline bool WaitCursorShown() {
  const QCursor* cursor = QApplication::overrideCursor();
  return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

// The call client's side of the link, noting whether the wait cursor showed as each command left.
class CursorWatchingTransport : public RecordingTransport {
 public:
  int SendCmdAcknowledged(const DeviceToSkypeCmd& cmd) override {
    waitCursorAtSend.push_back(WaitCursorShown());
    return RecordingTransport::SendCmdAcknowledged(cmd);
  }
  std::vector<bool> waitCursorAtSend;
};

// The page's pauses on a virtual clock of their own: each runs when the test has moved time past it.
class VirtualPauses {
 public:
  CRecordingListPage::PauseTimer Timer() {
    return [this](int ms, std::function<void()> then) { m_armed.push_back({m_nowMs + ms, std::move(then)}); };
  }
  void AdvanceMs(int ms) {
    m_nowMs += ms;
    for (size_t i = 0; i < m_armed.size();) {
      if (m_armed[i].first > m_nowMs) {
        ++i;
        continue;
      }
      auto then = std::move(m_armed[i].second);
      m_armed.erase(m_armed.begin() + static_cast<std::ptrdiff_t>(i));
      then();
    }
  }
  size_t Armed() const { return m_armed.size(); }

 private:
  int64_t m_nowMs = 0;
  std::vector<std::pair<int64_t, std::function<void()>>> m_armed;
};

}  // namespace qav::test
