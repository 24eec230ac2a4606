// Window timers on the virtual loop: each WM_TIMER is checked against the exact virtual time it
// ran at, so re-arming, killing and ordering are tested without sleeping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/virtual_loop.h"
#include "platform/window.h"

using namespace qav;

namespace {

// One scripted step: at `at` ms after the start, arm (period >= 0) or kill (period < 0) timer `id`.
struct Step {
  int64_t at;
  uint64_t id;
  int period;
};

struct TimerCase {
  const char* name;
  std::vector<Step> steps;
  int64_t runUntil;
  std::vector<std::string> fired;  // "id@ms" relative to the start
};

}  // namespace

TEST(Timers, FireAtTheirExactDeadlines) {
  const TimerCase cases[] = {
      {"one-shot window of a periodic timer", {{0, 101, 3000}}, 2999, {}},
      {"periodic", {{0, 101, 3000}}, 9000, {"101@3000", "101@6000", "101@9000"}},
      {"re-arming restarts the period", {{0, 103, 4800}, {3000, 103, 4800}}, 9000, {"103@7800"}},
      {"killed before expiry", {{0, 104, 2000}, {1999, 104, -1}}, 5000, {}},
      {"killed after one expiry", {{0, 104, 2000}, {2500, 104, -1}}, 9000, {"104@2000"}},
      {"earlier deadline first", {{0, 1, 500}, {0, 2, 200}}, 600, {"2@200", "2@400", "1@500", "2@600"}},
      {"equal deadlines in arming order", {{0, 9, 100}, {0, 3, 100}}, 100, {"9@100", "3@100"}},
      {"zero period fires on the next round", {{10, 102, 0}}, 10, {"102@10"}},
      {"re-armed with another period", {{0, 5, 1000}, {200, 5, 300}}, 1100, {"5@500", "5@800", "5@1100"}},
  };
  for (const TimerCase& c : cases) {
    VirtualLoop v;
    const int64_t start = v.NowMs();
    std::vector<std::string> fired;
    Hwnd w = CreateWindow(v.loop(), "Timers", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
      if (m.message == WM_TIMER) {
        fired.push_back(std::to_string(m.wParam) + "@" + std::to_string(v.NowMs() - start));
        if (m.wParam == 102) KillTimer(m.window, 102);  // like a reconnect timer, it kills itself
      }
      return 0;
    });
    for (const Step& s : c.steps) {
      v.AdvanceMs(start + s.at - v.NowMs());
      if (s.period >= 0) {
        EXPECT_EQ(SetTimer(w, s.id, static_cast<uint32_t>(s.period)), s.id) << c.name;
      } else {
        EXPECT_TRUE(KillTimer(w, s.id)) << c.name;
      }
    }
    v.AdvanceMs(start + c.runUntil - v.NowMs());
    EXPECT_EQ(fired, c.fired) << c.name;
  }
}

TEST(Timers, AHandlerThatKillsOrReArmsItsTimerIsObeyedAtOnce) {
  VirtualLoop v;
  const int64_t start = v.NowMs();
  std::vector<std::string> fired;
  Hwnd w = CreateWindow(v.loop(), "Timers", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    if (m.message != WM_TIMER) return 0;
    fired.push_back(std::to_string(m.wParam) + "@" + std::to_string(v.NowMs() - start));
    if (m.wParam == 101) KillTimer(m.window, 101);          // the discover time-out fires once
    if (m.wParam == 103) SetTimer(m.window, 104, 2000);      // the ping arms the failure timer
    if (m.wParam == 104) KillTimer(m.window, 103), KillTimer(m.window, 104);
    return 0;
  });
  SetTimer(w, 101, 3000);
  SetTimer(w, 103, 4800);
  v.AdvanceMs(20000);
  EXPECT_EQ(fired, (std::vector<std::string>{"101@3000", "103@4800", "104@6800"}));
  EXPECT_FALSE(KillTimer(w, 103));
  EXPECT_EQ(v.loop().NextTimerDelayMs(), std::nullopt);
}

TEST(Timers, RefuseIdZeroAndUnknownWindows) {
  VirtualLoop v;
  Hwnd w = CreateWindow(v.loop(), "Timers", u"", WindowKind::kLocal, [](Msg&) -> LResult { return 0; });
  EXPECT_EQ(SetTimer(w, 0, 10), 0u);
  EXPECT_EQ(SetTimer(w + 1, 1, 10), 0u);
  EXPECT_FALSE(KillTimer(w, 1));
  EXPECT_EQ(v.loop().NextTimerDelayMs(), std::nullopt);
}
