// CZVApp::Run with a loop runner of the components, as a toolkit's event loop runs the program: the
// runner drives the GUI thread's loop from outside (its descriptor, its next timer, ProcessDue)
// from start-up to the orderly exit.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/audio_driver_part.h"
#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "platform/loop_runner.h"
#include "platform/virtual_loop.h"
#include "platform/text.h"
#include "platform/window.h"
#include "tests/support/log_capture.h"
#include "tests/app/app_doubles.h"
#include "tests/app/installed_app_test.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using namespace qav::test;

namespace {

// What the toolkit bridge does, on a virtual clock: wait on the loop's descriptor or for its next
// timer (whose time then passes), serve a round, and stop once the loop was asked to quit. After
// `closeAfterMs` of loop time it closes the main window, as the tray's Quit would.
class OutsideDriver : public LoopRunner {
 public:
  OutsideDriver(VirtualClock& clock, int64_t closeAfterMs) : clock_(clock), closeAfterMs_(closeAfterMs) {}

  int RunUntilQuit(MessageLoop& loop) override {
    ++runs;
    const int64_t start = clock_.MonotonicMs();
    bool closed = false;
    for (int turn = 0; turn < 10000 && !loop.QuitRequested(); ++turn) {
      if (!closed && clock_.MonotonicMs() - start >= closeAfterMs_) {
        closed = PostMessage(g_pApp->MainWindow()->GetSafeHwnd(), WM_CLOSE);
      }
      pollfd p{loop.PollFd(), POLLIN, 0};
      const auto delay = loop.NextTimerDelayMs();
      if (poll(&p, 1, delay ? 0 : 1000) == 0 && delay) clock_.AdvanceMs(std::max<int64_t>(*delay, 1));
      loop.ProcessDue();
    }
    return loop.ExitCode();
  }

  int runs = 0;

 private:
  VirtualClock& clock_;
  int64_t closeAfterMs_;
};

class AppRun : public InstalledAppTest {};

TEST_F(AppRun, TheComponentsLoopRunnerServesTheGuiLoopFromStartUpToExit) {
  CAppComponents components = parts.Components();
  components.link = [this] {
    auto link = std::make_unique<RecordingLink>(parts.j);
    link->inProgress = {5};
    parts.link = link.get();
    return link;
  };
  OutsideDriver* driver = nullptr;
  components.loopRunner = [&] {
    auto runner = std::make_unique<OutsideDriver>(v.clock(), 20000);
    driver = runner.get();
    return runner;
  };
  CZVApp app(v.loop(), std::move(components), CommandLine());

  EXPECT_EQ(app.Run(), 0);
  ASSERT_NE(driver, nullptr);
  const std::string text = journal.Text();
  EXPECT_NE(text.find("link.queue GET CALL 5 STATUS"), std::string::npos)
      << "timer 3 fired on the runner's clock\n" << text;
  EXPECT_NE(text.find("link.shutdown"), std::string::npos) << "the close ran the exit path\n" << text;
  EXPECT_EQ(app.MainWindow(), nullptr);
}

// The audio thread hangs in a handler (a recording it plays is a named pipe that nobody writes,
// as a stalled network share would be): the exit waits for it no longer than its bound, says so,
// and ends.
class HangingAudioDriverPart : public CAudioDriverPart {
 public:
  explicit HangingAudioDriverPart(std::string pipe) : pipe_(std::move(pipe)) {}
  bool Start() override {
    if (!CAudioDriverPart::Start() || ::mkfifo(pipe_.c_str(), 0600) != 0) return false;
    CAudioDriver* driver = g_pAudioDriver;
    // The request waits for the handler, which never returns: it is made from a thread of its own.
    std::thread([driver, path = U16(pipe_)] { driver->PlayAudioFileStart(path, Hwnd{0}, 0, 0); }).detach();
    for (int i = 0; i < 1000 && driver->GetState() != AudioDriverState::kPlayingFile; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return driver->GetState() == AudioDriverState::kPlayingFile;
  }

 private:
  std::string pipe_;
};

TEST_F(AppRun, AnAudioThreadThatHangsDoesNotHangTheExit) {
  ScopedEnv virtualSound{"QAV_SOUND_DEVICE", "virtual"};
  LogCapture log;

  CAppComponents components = parts.Components();
  components.audioDriver = [this] { return std::make_unique<HangingAudioDriverPart>(dir.File("stalled.wav")); };
  components.loopRunner = [&] { return std::make_unique<OutsideDriver>(v.clock(), 1000); };
  CZVApp app(v.loop(), std::move(components), CommandLine());

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(app.Run(), 0);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(log.Has(LOG_WARNING, Format(u"The audio thread did not end within %d ms", CZVApp::kThreadStopBoundMs)));
  EXPECT_LT(took, std::chrono::milliseconds(CZVApp::kThreadStopBoundMs + 5000));
  EXPECT_EQ(g_pAudioDriver, nullptr) << "no request reaches the driver left behind";
}

}  // namespace
