#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/window.h"
#include "ui/boxes/message_box_extra.h"
#include "ui/bridge/qt_loop_bridge.h"
#include "ui/bridge/qt_message_box.h"
#include "ui/bridge/up_dialog.h"

namespace {

using namespace qav;

constexpr uint32_t kPing = WM_USER + 10;
constexpr uint32_t kOpenBox = WM_USER + 11;
constexpr int kWatchdogExit = 99;

// A GUI thread's platform loop driven by Qt, with a watchdog that ends a test that would hang.
struct BridgedLoop {
  MessageLoop loop;
  QtLoopBridge bridge{loop};
  QTimer watchdog;
  BridgedLoop() {
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      ADD_FAILURE() << "watchdog: the loop did not end";
      QCoreApplication::exit(kWatchdogExit);
    });
    watchdog.start(20000);
  }
};

TEST(QtLoopBridge, ServesPostsFromOtherThreadsSendsAndTimersAndEndsWithTheQuitCode) {
  BridgedLoop gui;
  std::vector<std::string> seen;
  Window window;
  ASSERT_TRUE(window.Create(gui.loop, "QAVBridgeTest", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    if (m.message == kPing) {
      seen.push_back("ping " + std::to_string(m.wParam));
      return static_cast<LResult>(m.wParam * 2);
    }
    if (m.message == WM_TIMER) {
      seen.push_back("timer");
      KillTimer(m.window, m.wParam);
      PostQuitMessage(7);
      return 0;
    }
    return DefWindowProc(m);
  }));
  const Hwnd hwnd = window.handle();
  LResult sentResult = 0;
  std::thread other([&] {
    PostMessage(hwnd, kPing, 1);
    sentResult = SendMessage(hwnd, kPing, 21);  // answered by the GUI thread while Qt runs
    SetTimer(hwnd, 5, 1);
  });
  EXPECT_EQ(gui.bridge.Run(), 7);
  other.join();
  EXPECT_EQ(sentResult, 42);
  // A send waiting is served ahead of posted messages, so the two pings may come either way.
  ASSERT_EQ(seen.size(), 3u);
  std::sort(seen.begin(), seen.begin() + 2);
  EXPECT_EQ(seen, (std::vector<std::string>{"ping 1", "ping 21", "timer"}));
}

TEST(QtLoopBridge, ABoxOpenInAWindowProcedureKeepsTheLoopServedAndAnExitEndsBoth) {
  BridgedLoop gui;
  std::atomic<int> pingsWhileOpen{0};
  int boxAnswer = 0;
  bool boxReturned = false;
  Window window;
  ASSERT_TRUE(window.Create(gui.loop, "QAVBridgeModal", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    if (m.message == kOpenBox) {
      MSGBOXEXTRA extra;
      boxAnswer = MessageBoxExtra(nullptr, QStringLiteral("Open"), QStringLiteral("QAV"), MB_OK, &extra);
      boxReturned = true;
      return 0;
    }
    if (m.message == kPing) ++pingsWhileOpen;
    return DefWindowProc(m);
  }));
  const Hwnd hwnd = window.handle();
  PostMessage(hwnd, kOpenBox);
  std::thread other;
  QTimer::singleShot(50, [&] {
    ASSERT_NE(QApplication::activeModalWidget(), nullptr);
    other = std::thread([&, hwnd] {
      PostMessage(hwnd, kPing);
      EXPECT_EQ(SendMessage(hwnd, kPing), 0);  // a send, too, is served while the box is open
      PostMessage(hwnd, WM_CLOSE);             // the window goes while its box is open
      gui.loop.PostQuit(3);
    });
  });
  EXPECT_EQ(gui.bridge.Run(), 3);
  other.join();
  EXPECT_EQ(pingsWhileOpen.load(), 2);
  EXPECT_TRUE(boxReturned);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  (void)boxAnswer;
}

// The asker does not wait for the GUI thread (which might be joining it): it gets the default
// answer at once, and the box is shown on the GUI thread.
TEST(QtMessageBox, ABoxAskedForFromAnotherThreadIsShownOnTheGuiThread) {
  BridgedLoop gui;
  CQtMessageBox handler(gui.loop);
  SetMessageBoxHandler(&handler);
  int answer = 0;
  std::thread asker([&] { answer = ShowMessageBox(u"Delete it?", u"QAV", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2); });
  asker.join();
  EXPECT_EQ(answer, IDNO);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      EXPECT_EQ(box->windowTitle(), QStringLiteral("QAV"));
      EXPECT_EQ(box->text(), QStringLiteral("Delete it?"));
      box->button(QMessageBox::No)->click();
      poll.stop();
      gui.loop.PostQuit(0);
    }
  });
  poll.start(5);
  QTimer::singleShot(10000, [&] { gui.loop.PostQuit(1); });  // a box that never shows fails, not hangs
  EXPECT_EQ(gui.bridge.Run(), 0) << "the box was shown on the GUI thread";
  SetMessageBoxHandler(nullptr);
}

// The progress dialog: its result by what the job returns, and Cancel.
TEST(UPDialog, TheResultFollowsTheJobAndCancelEndsAtOnce) {
  MessageLoop loop;
  QtLoopBridge bridge(loop);
  {
    CUPDialog dialog;
    EXPECT_EQ(dialog.RunModal(u"Analysis", [](ProgressJobContext& c) {
      c.PostPosition(40);
      c.PostText(u"Half way");
      return 1;
    }), kProgressJobSucceeded);
    EXPECT_EQ(dialog.RunModal(u"Analysis", [](ProgressJobContext&) { return 0; }), kProgressJobFailed);
    EXPECT_EQ(dialog.RunModal(u"Analysis", [](ProgressJobContext&) -> int { throw 5; }), kProgressJobFailed);
  }
  std::atomic<bool> sawTerminate{false};
  {
    CUPDialog dialog;
    std::atomic<bool> started{false};
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (started && dialog.Dialog()) {
        auto* bar = dialog.Dialog()->findChild<QProgressBar*>(QStringLiteral("progress"));
        auto* status = dialog.Dialog()->findChild<QLabel*>(QStringLiteral("status"));
        if (bar->value() == 30 && status->text() == QStringLiteral("Working")) {
          dialog.Dialog()->findChild<QAbstractButton*>(QStringLiteral("cancel"))->click();
          poll.stop();
        }
      }
    });
    poll.start(5);
    const int result = dialog.RunModal(u"Analysis", [&](ProgressJobContext& c) {
      c.PostPosition(30);
      c.PostText(u"Working");
      started = true;
      // Bounded, so a Cancel that never reaches the job fails the test instead of hanging it.
      const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (!c.IsTerminated() && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
      sawTerminate = c.IsTerminated();
      return 1;
    });
    EXPECT_EQ(result, kProgressJobCancelled);
    EXPECT_EQ(dialog.Dialog(), nullptr);
    // The job stops by itself at the flag; the dialog's end is not waited for it.
  }  // the destructor joins the worker
  EXPECT_TRUE(sawTerminate) << "Cancel did not reach the job through its flag";
}

// The close box ends the dialog as Cancel does, until the disable-close message greys Cancel and
// takes the close box away: from then on neither the close request nor Escape ends it.
TEST(UPDialog, TheCloseBoxCancelsUntilClosingIsDisabled) {
  MessageLoop loop;
  QtLoopBridge bridge(loop);
  const auto waitForTerminate = [](ProgressJobContext& c) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!c.IsTerminated() && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
    return c.IsTerminated();
  };
  std::atomic<bool> closedJobSawTerminate{false};
  {
    CUPDialog dialog;
    QTimer::singleShot(20, [&] {
      ASSERT_NE(dialog.Dialog(), nullptr);
      ASSERT_TRUE(dialog.Dialog()->windowFlags() & Qt::WindowCloseButtonHint);
      dialog.Dialog()->windowHandle()->close();  // what the window manager's close box sends
    });
    EXPECT_EQ(dialog.RunModal(u"Analysis", [&](ProgressJobContext& c) {
      closedJobSawTerminate = waitForTerminate(c);
      return 1;
    }), kProgressJobCancelled);
  }  // the destructor joins the worker
  EXPECT_TRUE(closedJobSawTerminate) << "the close box did not stop the job";
  CUPDialog dialog;
  std::atomic<bool> release{false}, sawTerminate{false};
  QTimer::singleShot(20, [&] {
    ASSERT_NE(dialog.Dialog(), nullptr);
    PostMessage(dialog.Window(), CUPDialog::kMsgDisableClose);
    QTimer::singleShot(20, [&] {
      QDialog* window = dialog.Dialog();
      ASSERT_NE(window, nullptr);
      EXPECT_FALSE(window->findChild<QAbstractButton*>(QStringLiteral("cancel"))->isEnabled());
      EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
      EXPECT_FALSE(window->windowHandle()->flags() & Qt::WindowCloseButtonHint) << "the open window keeps its close box";
      window->windowHandle()->close();
      QTest::keyClick(window, Qt::Key_Escape);
      EXPECT_EQ(dialog.Dialog(), window);
      EXPECT_TRUE(window->isVisible());
      release = true;
    });
  });
  EXPECT_EQ(dialog.RunModal(u"Analysis", [&](ProgressJobContext& c) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!release && !c.IsTerminated() && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
    sawTerminate = c.IsTerminated();
    return 1;
  }), kProgressJobSucceeded);
  EXPECT_FALSE(sawTerminate) << "a refused close still stopped the job";
}

TEST(UPDialog, WithoutCancelNeitherButtonNorCloseBoxStopsTheJob) {
  MessageLoop loop;
  QtLoopBridge bridge(loop);
  CUPDialog dialog(nullptr, QStringLiteral("Cancel"), false);
  std::atomic<bool> release{false};
  QTimer::singleShot(20, [&] {
    ASSERT_NE(dialog.Dialog(), nullptr);
    dialog.Dialog()->reject();  // the close box and Escape
    dialog.Cancel();
    EXPECT_FALSE(dialog.Dialog()->findChild<QAbstractButton*>(QStringLiteral("cancel"))->isEnabled());
    release = true;
  });
  EXPECT_EQ(dialog.RunModal(u"Analysis", [&](ProgressJobContext& c) {
    while (!release) std::this_thread::yield();
    return c.IsTerminated() ? 0 : 1;
  }), kProgressJobSucceeded);
}

}  // namespace
