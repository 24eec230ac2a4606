// The e-mail settings page's test mail against a server that never answers, and the GUI thread
// meanwhile: the real page, its progress dialog and sender, on Qt's offscreen platform, with the
// GUI thread's platform loop driven by Qt as in the program. A ring is what the call link's thread
// does with a ringing call: it posts the call's status to a window of the GUI thread, whose
// procedure arms the answer timer; the answer is that timer's WM_TIMER. Target (printed, not
// asserted):
//   - ring to answer while the test mail hangs: within 1 s of the figure without one (the longest
//     of 10 rings each, the first rung as soon as the mail waits on the server).
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/text.h"
#include "platform/window.h"
#include "tests/support/stalling_smtp_server.h"
#include "ui/options/dlg_opt_email_settings.h"
#include "ui/samples/quiet_options_sheet.h"
#include "ui/bridge/qt_loop_bridge.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kRing = qav::WM_USER + 40;
constexpr uint32_t kRingsDone = qav::WM_USER + 41;
constexpr uint64_t kAnswerTimer = 7;
constexpr int kRings = 10;

// Result boxes are counted, not shown.
class CountingBoxes : public qav::MessageBoxHandler {
 public:
  int Show(std::u16string_view, std::u16string_view, uint32_t) override {
    ++shown;
    return qav::IDOK;
  }
  int shown = 0;
};

std::unique_ptr<QApplication> MakeOffscreenApplication() {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "test_mail_bench";
  static char* argv[] = {name, nullptr};
  auto app = std::make_unique<QApplication>(argc, argv);
  LoadDefaultLangLib();
  SetDefaultOptions();
  return app;
}

// Qt's application first: the bridge watches the loop with Qt's own objects.
struct Gui {
  std::unique_ptr<QApplication> app = MakeOffscreenApplication();
  qav::MessageLoop loop;
  QtLoopBridge bridge{loop};
};

Gui& TheGui() {
  static Gui gui;
  return gui;
}

// Rings kRings times from a thread of its own, once `before` has returned, and returns the longest
// ring-to-answer time in milliseconds. `whileRinging` runs on the GUI thread meanwhile (the test
// mail); it must return once the window gets kRingsDone, which the ringer posts at its end.
double LongestRingToAnswerMs(const std::function<void()>& before, const std::function<void(qav::Hwnd)>& whileRinging) {
  Gui& gui = TheGui();
  std::mutex mutex;
  std::condition_variable answeredChanged;
  int answered = 0;
  bool ringsDone = false;
  qav::Window window;
  window.Create(gui.loop, "QAVRingBench", u"", qav::WindowKind::kLocal, [&](qav::Msg& m) -> qav::LResult {
    if (m.message == kRing) {
      qav::SetTimer(m.window, kAnswerTimer, 0);
      return 0;
    }
    if (m.message == qav::WM_TIMER && m.wParam == kAnswerTimer) {
      qav::KillTimer(m.window, kAnswerTimer);
      std::lock_guard lock(mutex);
      ++answered;
      answeredChanged.notify_all();
      return 0;
    }
    if (m.message == kRingsDone) {
      ringsDone = true;
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        if (auto* cancel = dialog->findChild<QAbstractButton*>(QStringLiteral("cancel"))) cancel->click();
      }
      return 0;
    }
    return qav::DefWindowProc(m);
  });
  const qav::Hwnd handle = window.handle();
  std::vector<double> times;
  std::thread ringer([&] {
    before();
    for (int ring = 0; ring < kRings; ++ring) {
      std::unique_lock lock(mutex);
      const int expected = answered + 1;
      const auto rung = Clock::now();
      qav::PostMessage(handle, kRing);
      if (!answeredChanged.wait_for(lock, std::chrono::seconds(60), [&] { return answered >= expected; })) break;
      times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - rung).count());
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    qav::PostMessage(handle, kRingsDone);
  });
  whileRinging(handle);
  // Serve the GUI thread until the ringer has said it is done.
  while (!ringsDone) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  ringer.join();
  if (times.size() != kRings) return -1;
  return *std::max_element(times.begin(), times.end());
}

void BM_RingToAnswerWhileATestMailHangs(benchmark::State& state) {
  TheGui();
  CountingBoxes boxes;
  qav::SetMessageBoxHandler(&boxes);
  CQuietOptionsSheet sheet;
  for (auto _ : state) {
    qav::test::StallingSmtpServer server(qav::test::SmtpMisbehaviour::kSilent);
    if (!server.started()) {
      state.SkipWithError("the hanging mail server did not start");
      break;
    }
    g_YourEMailAddress = u"me@example.org";
    g_SMTPServerAddress = u"127.0.0.1";
    g_SMTPServerPort = server.port();
    CDlgOptEMailSettings page(sheet, nullptr);
    const double quiet = LongestRingToAnswerMs([] {}, [](qav::Hwnd) {});
    // The rings start once the test mail is waiting on the server; the button's handler returns
    // when the ringer cancels its dialog at the end.
    const double hanging = LongestRingToAnswerMs([&] { server.WaitFor("connected", 30000); },
                                                [&](qav::Hwnd) { page.OnButtonEmailTestAccountSettings(); });
    if (quiet < 0 || hanging < 0) {
      state.SkipWithError("a ring was not answered");
      break;
    }
    state.counters["without_test_mail_ms"] = quiet;
    state.counters["while_test_mail_hangs_ms"] = hanging;
    state.counters["difference_ms"] = hanging - quiet;
    state.counters["result_boxes"] = boxes.shown;
  }
  qav::SetMessageBoxHandler(nullptr);
  state.SetLabel("target: difference within 1000 ms");
}
BENCHMARK(BM_RingToAnswerWhileATestMailHangs)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
