// The message loop's rules: FIFO posts, sends (direct on the own thread, waiting and serving
// across threads), queue removal and payload ownership, destroyed windows, quit, threads, events
// and descriptor watches. Timers are in timer_test.cpp.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/message_loop.h"
#include "platform/message_thread.h"
#include "platform/virtual_loop.h"
#include "platform/window.h"

using namespace qav;

namespace {

// Generous bound for waits on other threads: a fault fails the test instead of hanging it.
constexpr int kWatchdogMs = 10000;

// A payload that counts its destructions, to prove each one is freed exactly once.
struct Counted : Payload {
  explicit Counted(std::atomic<int>* freed, int tag = 0) : freed(freed), tag(tag) {}
  ~Counted() override { ++*freed; }
  std::atomic<int>* freed;
  int tag;
};

// Busy work of varying length, to shift where one thread's call lands against another's.
volatile unsigned g_spinSink = 0;
void Spin(unsigned iterations) {
  for (unsigned i = 0; i < iterations; ++i) g_spinSink = i;
}

std::string Describe(const Msg& m) {
  return std::to_string(m.window & 0xFFFF) + ":" + std::to_string(m.message) + ":" + std::to_string(m.wParam);
}

}  // namespace

TEST(MessageLoop, PostedMessagesArriveInTheOrderTheyWerePosted) {
  VirtualLoop v;
  std::vector<std::string> seen;
  auto record = [&](Msg& m) -> LResult {
    seen.push_back(Describe(m));
    return 0;
  };
  Hwnd a = CreateWindow(v.loop(), "A", u"", WindowKind::kLocal, record);
  Hwnd b = CreateWindow(v.loop(), "B", u"", WindowKind::kLocal, record);
  v.loop().SetThreadMessageHandler([&](Msg& m) { seen.push_back(Describe(m)); });
  struct Post {
    Hwnd target;  // 0: thread message
    uint32_t message;
  };
  const Post posts[] = {{a, WM_USER}, {b, WM_USER}, {0, WM_USER + 1}, {a, WM_USER + 2}, {0, WM_APP}, {b, WM_USER}};
  std::vector<std::string> expected;
  WParam n = 0;
  for (const Post& p : posts) {
    ++n;
    bool ok = p.target ? PostMessage(p.target, p.message, n) : PostThreadMessage(v.loop().threadId(), p.message, n);
    ASSERT_TRUE(ok);
    Msg m;
    m.window = p.target;
    m.message = p.message;
    m.wParam = n;
    expected.push_back(Describe(m));
  }
  EXPECT_TRUE(seen.empty()) << "posting never dispatches";
  v.RunUntilIdle();
  EXPECT_EQ(seen, expected);
}

TEST(MessageLoop, PostsMadeWhileServingWaitForTheNextRound) {
  VirtualLoop v;
  std::vector<WParam> seen;
  Hwnd w = 0;
  w = CreateWindow(v.loop(), "W", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    seen.push_back(m.wParam);
    if (m.wParam == 1) PostMessage(w, WM_USER, 3);
    return 0;
  });
  PostMessage(w, WM_USER, 1);
  PostMessage(w, WM_USER, 2);
  EXPECT_TRUE(v.loop().ProcessDue());
  EXPECT_EQ(seen, (std::vector<WParam>{1, 2}));
  EXPECT_TRUE(v.loop().ProcessDue());
  EXPECT_EQ(seen, (std::vector<WParam>{1, 2, 3}));
  EXPECT_FALSE(v.loop().ProcessDue());
}

TEST(MessageLoop, SendOnTheOwnThreadIsADirectCallAheadOfTheQueue) {
  VirtualLoop v;
  std::vector<std::string> seen;
  Hwnd w = CreateWindow(v.loop(), "W", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    seen.push_back(std::to_string(m.message));
    return static_cast<LResult>(m.wParam * 2);
  });
  PostMessage(w, WM_USER + 1);
  EXPECT_EQ(SendMessage(w, WM_USER + 2, 21), 42);
  EXPECT_EQ(seen, (std::vector<std::string>{std::to_string(WM_USER + 2)}));
  v.RunUntilIdle();
  EXPECT_EQ(seen.back(), std::to_string(WM_USER + 1));
}

TEST(MessageLoop, CrossThreadSendReturnsTheHandlersResultFromItsThread) {
  std::thread::id handlerThread;
  Hwnd remote = 0;
  MessageThread worker;
  ASSERT_TRUE(worker.Start("worker", [&](MessageLoop& loop) {
    remote = CreateWindow(loop, "Worker", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
      handlerThread = std::this_thread::get_id();
      return static_cast<LResult>(m.wParam + 1);
    });
  }));
  // From a thread with no loop of its own, and from one with a loop.
  SendOutcome plain;
  std::thread([&] { plain = SendMessageTimeout(remote, WM_USER, 41, 0, kWatchdogMs); }).join();
  EXPECT_TRUE(plain.ok());
  EXPECT_EQ(plain.result, 42);
  MessageLoop mine;
  SendOutcome looped = SendMessageTimeout(remote, WM_USER, 9, 0, kWatchdogMs);
  EXPECT_TRUE(looped.ok());
  EXPECT_EQ(looped.result, 10);
  EXPECT_NE(handlerThread, std::this_thread::get_id());
}

// Two threads sending to each other while each waits in a send: every level is served by the
// thread that waits, so the chain unwinds instead of deadlocking.
TEST(MessageLoop, NestedSendsBetweenTwoThreadsDoNotDeadlock) {
  for (int depth : {1, 2, 7}) {
    MessageLoop mine;
    Hwnd local = 0, remote = 0;
    std::vector<std::string> trail;
    std::mutex trailMutex;
    // Records the level, then sends one level down to the other window.
    auto bounce = [&](const char* who, const Hwnd* other) {
      return [&, who, other](Msg& m) -> LResult {
        {
          std::lock_guard lock(trailMutex);
          trail.push_back(who + std::to_string(m.wParam));
        }
        if (m.wParam == 0) return 0;
        SendOutcome inner = SendMessageTimeout(*other, WM_USER, m.wParam - 1, 0, kWatchdogMs);
        return inner.ok() ? inner.result + 1 : -1000;
      };
    };
    local = CreateWindow(mine, "Local", u"", WindowKind::kLocal, bounce("L", &remote));
    MessageThread worker;
    ASSERT_TRUE(worker.Start("worker", [&](MessageLoop& loop) {
      remote = CreateWindow(loop, "Remote", u"", WindowKind::kLocal, bounce("R", &local));
    }));
    SendOutcome outcome = SendMessageTimeout(remote, WM_USER, static_cast<WParam>(depth), 0, kWatchdogMs);
    ASSERT_TRUE(outcome.ok()) << "depth " << depth;
    EXPECT_EQ(outcome.result, depth);
    std::vector<std::string> expected;
    for (int level = depth; level >= 0; --level) {
      expected.push_back(((depth - level) % 2 == 0 ? "R" : "L") + std::to_string(level));
    }
    EXPECT_EQ(trail, expected) << "depth " << depth;
  }
}

TEST(MessageLoop, AThreadWaitingInASendServesSendsButKeepsPostsForLater) {
  MessageLoop mine;
  std::vector<std::string> seen;
  Hwnd local = CreateWindow(mine, "Local", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    seen.push_back(m.message == WM_USER ? "posted" : "sent");
    return 0;
  });
  Hwnd remote = 0;
  MessageThread worker;
  ASSERT_TRUE(worker.Start("worker", [&](MessageLoop& loop) {
    remote = CreateWindow(loop, "Remote", u"", WindowKind::kLocal, [&](Msg&) -> LResult {
      PostMessage(local, WM_USER);
      SendMessageTimeout(local, WM_USER + 1, 0, 0, kWatchdogMs);
      return 5;
    });
  }));
  EXPECT_EQ(SendMessageTimeout(remote, WM_APP, 0, 0, kWatchdogMs).result, 5);
  EXPECT_EQ(seen, (std::vector<std::string>{"sent"}));
  mine.ProcessDue();
  EXPECT_EQ(seen, (std::vector<std::string>{"sent", "posted"}));
}

TEST(MessageLoop, TakingQueuedMessagesByIdFreesTheirPayloads) {
  VirtualLoop v;
  std::atomic<int> freed{0};
  std::vector<int> delivered;
  Hwnd w = CreateWindow(v.loop(), "W", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    delivered.push_back(m.Get<Counted>()->tag);
    return 0;
  });
  Hwnd other = CreateWindow(v.loop(), "Other", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    delivered.push_back(m.Get<Counted>()->tag);
    return 0;
  });
  constexpr uint32_t kQueueCmd = 0x786, kKeep = 0x787;
  PostMessage(w, kQueueCmd, 0, 0, std::make_unique<Counted>(&freed, 1));
  PostMessage(w, kKeep, 0, 0, std::make_unique<Counted>(&freed, 2));
  PostMessage(other, kQueueCmd, 0, 0, std::make_unique<Counted>(&freed, 3));
  PostMessage(w, kQueueCmd, 0, 0, std::make_unique<Counted>(&freed, 4));

  std::vector<Msg> taken = v.loop().TakeMessages(kQueueCmd, kQueueCmd, w);
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0].Get<Counted>()->tag, 1);
  EXPECT_EQ(taken[1].Get<Counted>()->tag, 4);
  EXPECT_EQ(freed, 0) << "the caller holds them until it drops them";
  taken.clear();
  EXPECT_EQ(freed, 2);

  // Window 0: thread messages only (the audio thread's returned buffers).
  PostThreadMessage(v.loop().threadId(), kQueueCmd, 0, 0, std::make_unique<Counted>(&freed, 5));
  EXPECT_EQ(v.loop().RemoveMessages(kQueueCmd, kQueueCmd, 0), 1u);
  EXPECT_EQ(freed, 3);

  EXPECT_EQ(v.loop().RemoveMessages(kQueueCmd, kQueueCmd), 1u);  // any window: `other`'s
  EXPECT_EQ(freed, 4);
  v.RunUntilIdle();
  EXPECT_EQ(delivered, (std::vector<int>{2}));
  EXPECT_EQ(freed, 5) << "a delivered payload is freed after its handler";
}

TEST(MessageLoop, AHandlerMayKeepThePayloadByMovingItOut) {
  VirtualLoop v;
  std::atomic<int> freed{0};
  std::unique_ptr<Payload> kept;
  Hwnd w = CreateWindow(v.loop(), "W", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    kept = std::move(m.payload);
    return 0;
  });
  PostMessage(w, WM_USER, 0, 0, std::make_unique<Counted>(&freed));
  v.RunUntilIdle();
  EXPECT_EQ(freed, 0);
  kept.reset();
  EXPECT_EQ(freed, 1);
}

TEST(MessageLoop, ADestroyedWindowGetsNothingAndEveryPayloadIsFreed) {
  enum class When { kQueuedBeforeDestroy, kPostedAfter, kSentAfter, kSentFromAnotherThreadAfter };
  for (When when : {When::kQueuedBeforeDestroy, When::kPostedAfter, When::kSentAfter, When::kSentFromAnotherThreadAfter}) {
    VirtualLoop v;
    std::atomic<int> freed{0};
    int handled = 0;
    Hwnd w = CreateWindow(v.loop(), "W", u"", WindowKind::kLocal, [&](Msg&) -> LResult {
      ++handled;
      return 1;
    });
    if (when == When::kQueuedBeforeDestroy) {
      EXPECT_TRUE(PostMessage(w, WM_USER, 0, 0, std::make_unique<Counted>(&freed)));
      EXPECT_TRUE(SetTimer(w, 7, 10));
    }
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(DestroyWindow(w));
    switch (when) {
      case When::kQueuedBeforeDestroy:
        EXPECT_EQ(freed, 1) << "freed when the window went, not at some later round";
        break;
      case When::kPostedAfter:
        EXPECT_FALSE(PostMessage(w, WM_USER, 0, 0, std::make_unique<Counted>(&freed)));
        break;
      case When::kSentAfter:
        EXPECT_EQ(SendMessageTimeout(w, WM_USER, 0, 0, 100, std::make_unique<Counted>(&freed)).status,
                  SendStatus::kNoWindow);
        break;
      case When::kSentFromAnotherThreadAfter:
        std::thread([&] {
          EXPECT_EQ(SendMessageTimeout(w, WM_USER, 0, 0, 100, std::make_unique<Counted>(&freed)).status,
                    SendStatus::kNoWindow);
        }).join();
        break;
    }
    EXPECT_EQ(SetTimer(w, 8, 10), 0u);
    v.AdvanceMs(100);
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(freed, 1);
  }
}

TEST(MessageLoop, AWindowMayDestroyItselfInItsOwnHandler) {
  VirtualLoop v;
  std::vector<uint32_t> seen;
  Hwnd w = CreateWindow(v.loop(), "W", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    seen.push_back(m.message);
    return DefWindowProc(m);  // WM_CLOSE destroys
  });
  PostMessage(w, WM_CLOSE);
  PostMessage(w, WM_USER);
  v.RunUntilIdle();
  EXPECT_EQ(seen, (std::vector<uint32_t>{WM_CLOSE}));
  EXPECT_FALSE(IsWindow(w));
}

TEST(MessageLoop, DestroyFromAnotherThreadRunsOnTheWindowsThread) {
  MessageThread worker;
  Hwnd w = 0;
  std::atomic<int> handled{0};
  ASSERT_TRUE(worker.Start("worker", [&](MessageLoop& loop) {
    w = CreateWindow(loop, "W", u"", WindowKind::kLocal, [&](Msg&) -> LResult { return ++handled; });
  }));
  EXPECT_EQ(SendMessageTimeout(w, WM_USER, 0, 0, kWatchdogMs).result, 1);
  EXPECT_TRUE(DestroyWindow(w));
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(SendMessageTimeout(w, WM_USER, 0, 0, kWatchdogMs).status, SendStatus::kNoWindow);
  EXPECT_EQ(handled, 1);
}

TEST(MessageLoop, AnEndingLoopFailsItsWaitingSendersAndFreesTheirPayloads) {
  std::atomic<int> freed{0};
  Hwnd w = 0;
  Event created(true), release(true), sending(true);
  std::thread owner([&] {
    MessageLoop loop;
    w = CreateWindow(loop, "W", u"", WindowKind::kLocal, [](Msg&) -> LResult { return 1; });
    PostMessage(w, WM_USER, 0, 0, std::make_unique<Counted>(&freed));
    created.Set();
    release.Wait(kWatchdogMs);
    // The loop ends without serving anything.
  });
  ASSERT_TRUE(created.Wait(kWatchdogMs));
  SendOutcome outcome;
  std::thread sender([&] {
    sending.Set();
    outcome = SendMessageTimeout(w, WM_USER, 0, 0, kWatchdogMs, std::make_unique<Counted>(&freed));
  });
  ASSERT_TRUE(sending.Wait(kWatchdogMs));
  release.Set();
  sender.join();
  owner.join();
  EXPECT_EQ(outcome.status, SendStatus::kNoWindow);
  EXPECT_EQ(freed, 2);
}

// Another thread sends, posts or arms a timer just as the owner destroys the window (or ends the
// whole loop) and then stops serving, as a thread does at shut-down while it waits for others.
// What reached the window before its end is failed and freed by that end, and what comes later
// fails at once: nothing may be left in a queue that nobody serves any more, where a sender waits
// for good, a payload is never freed or a timer stays armed. The threads meet at a spin barrier
// and the end comes a varying while after the call starts, so over the rounds it lands at every
// point of the call. The sender has a loop of its own, so its answer also comes through a wake of
// that loop, which must not be lost either.
TEST(MessageLoop, CallsRacingTheWindowsEndLeaveNothingInTheQueue) {
  enum class End { kDestroyWindow, kLoopEnds };
  enum class Call { kSend, kPost, kTimer };
  constexpr int kRounds = 2000;
  for (End end : {End::kDestroyWindow, End::kLoopEnds}) {
    for (Call call : {Call::kSend, Call::kPost, Call::kTimer}) {
      SCOPED_TRACE(testing::Message() << "end " << static_cast<int>(end) << " call " << static_cast<int>(call));
      std::atomic<Hwnd> target{0};
      std::atomic<int> started{0}, finished{0}, made{0}, freed{0};
      std::atomic<bool> strayResult{false};
      std::thread caller([&] {
        MessageLoop own;
        for (int round = 0; round < kRounds; ++round) {
          while (started.load() <= round) {
          }
          const Hwnd w = target.load();
          for (bool gone = false; !gone;) {
            ++made;
            switch (call) {
              case Call::kSend: {
                // Longer than the watchdog below, so a send left waiting trips the watchdog.
                SendStatus s =
                    SendMessageTimeout(w, WM_USER, 0, 0, 2 * kWatchdogMs, std::make_unique<Counted>(&freed)).status;
                if (s != SendStatus::kNoWindow) strayResult = true;
                gone = true;
                break;
              }
              case Call::kPost:
                gone = !PostMessage(w, WM_USER, 0, 0, std::make_unique<Counted>(&freed));
                break;
              case Call::kTimer:
                gone = SetTimer(w, 1, 1000) == 0;
                break;
            }
          }
          finished.store(round + 1);
        }
      });
      const int payloadsPerCall = call == Call::kTimer ? 0 : 1;
      for (int round = 0; round < kRounds; ++round) {
        auto loop = std::make_unique<MessageLoop>();
        target = CreateWindow(*loop, "W", u"", WindowKind::kLocal, [](Msg&) -> LResult { return 1; });
        PostMessage(target, WM_NULL);  // the loop's wake is pending: the calls' own wakes cost nothing
        const int madeBefore = made;
        started.store(round + 1);
        while (made == madeBefore) {
        }
        Spin(static_cast<unsigned>(round * 37 % 1000));  // then the end lands at every point of a call
        if (end == End::kDestroyWindow) {
          DestroyWindow(target);
        } else {
          loop.reset();
        }
        // The caller's call returns at once; the watchdog only turns a fault into a failure.
        const auto watchdog = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWatchdogMs);
        while (finished.load() <= round && std::chrono::steady_clock::now() < watchdog) {
        }
        const bool returned = finished.load() > round;
        const bool timerLeft = loop && loop->NextTimerDelayMs();
        if (!returned || freed != made * payloadsPerCall || timerLeft) {
          ADD_FAILURE() << "round " << round << (returned ? "" : ": the call did not return") << ": payloads freed "
                        << freed << " of " << made * payloadsPerCall << (timerLeft ? ", a timer left armed" : "");
          started.store(kRounds);  // the caller runs out its remaining rounds on the ended window
          break;
        }
      }
      caller.join();
      EXPECT_FALSE(strayResult) << "nothing served the window, so no send can have been handled";
    }
  }
}

// A thread with a loop of its own waits in a send, and the answer's wake lands just as that loop
// takes the wake the previous send gave back (the handler spins a varying while to move it across
// that moment). The answer's wake must not be lost, or the sender sleeps through it to its time-out.
TEST(MessageLoop, ASenderWithALoopNeverSleepsThroughItsAnswer) {
  constexpr int kSends = 20000;
  MessageLoop loop;
  int handled = 0;
  Hwnd w = CreateWindow(loop, "W", u"", WindowKind::kLocal, [&](Msg&) -> LResult {
    Spin(static_cast<unsigned>(handled++ * 37 % 1500));
    return 1;
  });
  std::atomic<int> answered{0};
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    MessageLoop own;
    // Longer than the watchdog below, so an answer slept through trips the watchdog.
    while (answered < kSends && !stop && SendMessageTimeout(w, WM_USER, 0, 0, 2 * kWatchdogMs).ok()) ++answered;
  });
  bool stalled = false;
  int seen = 0;
  auto lastAnswer = std::chrono::steady_clock::now();
  while (seen < kSends && !stalled) {
    loop.ProcessDue();
    if (answered != seen) {
      seen = answered;
      lastAnswer = std::chrono::steady_clock::now();
    } else {
      stalled = std::chrono::steady_clock::now() - lastAnswer > std::chrono::milliseconds(kWatchdogMs);
    }
  }
  stop = true;  // a sender that slept through its answer wakes at its time-out and ends
  sender.join();
  EXPECT_FALSE(stalled) << "send " << seen << " was answered but its sender slept on";
  EXPECT_EQ(seen, kSends);
}

TEST(MessageLoop, ASendThatTimesOutIsNeverHandledLater) {
  Event busy(true), release(true);
  std::atomic<int> handled{0};
  std::atomic<int> freed{0};
  Hwnd w = 0;
  MessageThread worker;
  ASSERT_TRUE(worker.Start("worker", [&](MessageLoop& loop) {
    w = CreateWindow(loop, "W", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
      if (m.message == WM_USER) {
        busy.Set();
        release.Wait(kWatchdogMs);
      } else {
        ++handled;
      }
      return 0;
    });
  }));
  PostMessage(w, WM_USER);
  ASSERT_TRUE(busy.Wait(kWatchdogMs));
  SendOutcome outcome = SendMessageTimeout(w, WM_USER + 1, 0, 0, 20, std::make_unique<Counted>(&freed));
  EXPECT_EQ(outcome.status, SendStatus::kTimedOut);
  release.Set();
  EXPECT_EQ(SendMessageTimeout(w, WM_USER + 2, 0, 0, kWatchdogMs).status, SendStatus::kOk);
  EXPECT_EQ(handled, 1) << "only the later send ran";
  EXPECT_EQ(freed, 1);
}

TEST(MessageLoop, CopyDataAndTextReachTheReceiverAsItsOwnCopy) {
  MessageThread worker;
  Hwnd w = 0;
  std::string received;
  uint64_t receivedTag = 0;
  Hwnd claimedSender = 0;
  ASSERT_TRUE(worker.Start("worker", [&](MessageLoop& loop) {
    w = CreateWindow(loop, "W", u"old", WindowKind::kLocal, [&](Msg& m) -> LResult {
      if (m.message != WM_COPYDATA) return DefWindowProc(m);
      const auto* cds = reinterpret_cast<const CopyDataStruct*>(m.lParam);
      received.assign(static_cast<const char*>(cds->lpData), cds->cbData);
      receivedTag = cds->dwData;
      claimedSender = m.wParam;
      return static_cast<LResult>(cds->cbData);
    });
  }));
  std::string bytes("PING\0tail", 9);
  {
    std::string onStack = bytes;  // gone before anyone could read it late
    CopyDataStruct cds{7, static_cast<uint32_t>(onStack.size()), onStack.data()};
    EXPECT_EQ(SendMessage(w, WM_COPYDATA, 0x1234, reinterpret_cast<LParam>(&cds)), 9);
  }
  EXPECT_EQ(received, bytes);
  EXPECT_EQ(receivedTag, 7u);
  EXPECT_EQ(claimedSender, 0x1234u);
  EXPECT_EQ(SendCopyData(w, 0x99, 3, "abc", kWatchdogMs).result, 3);
  EXPECT_EQ(received, "abc");
  EXPECT_FALSE(PostMessage(w, WM_COPYDATA, 0, 0)) << "copy data is sent, never posted";
  EXPECT_EQ(SendMessageTimeout(w, WM_COPYDATA, 0, 0, kWatchdogMs).status, SendStatus::kRefused);

  EXPECT_EQ(GetWindowText(w), std::u16string(u"old"));
  EXPECT_TRUE(SetWindowText(w, u"Skype\u2122 path"));
  EXPECT_EQ(GetWindowText(w), std::u16string(u"Skype\u2122 path"));
}

TEST(MessageLoop, QuitEndsRunAfterWhatWasQueuedBeforeIt) {
  MessageLoop loop;
  std::vector<WParam> seen;
  Hwnd w = CreateWindow(loop, "W", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    seen.push_back(m.wParam);
    return 0;
  });
  PostMessage(w, WM_USER, 1);
  loop.PostQuit(7);
  PostMessage(w, WM_USER, 2);
  EXPECT_EQ(loop.Run(), 7);
  EXPECT_EQ(seen, (std::vector<WParam>{1}));
  PostQuitMessage(0);
  EXPECT_EQ(loop.Run(), 0);
  EXPECT_EQ(seen, (std::vector<WParam>{1, 2}));
}

TEST(MessageThread, RunsSetupFirstServesThreadMessagesAndJoinsWithATimeOut) {
  Event inHandler(true), release(true);
  std::vector<std::string> seen;
  std::atomic<int> freed{0};
  MessageThread worker;
  ASSERT_TRUE(worker.Start("worker", [&](MessageLoop& loop) {
    seen.push_back("setup");
    loop.SetThreadMessageHandler([&](Msg& m) {
      seen.push_back(std::to_string(m.message) + (m.Get<Counted>() ? "+payload" : ""));
      if (m.message == WM_USER + 1) {
        inHandler.Set();
        release.Wait(kWatchdogMs);
      }
    });
  }));
  EXPECT_FALSE(worker.Start("again")) << "a thread starts once";
  ASSERT_TRUE(worker.PostThreadMessage(WM_USER, 0, 0, std::make_unique<Counted>(&freed)));
  ASSERT_TRUE(worker.PostThreadMessage(WM_USER + 1));
  ASSERT_TRUE(inHandler.Wait(kWatchdogMs));
  worker.Quit(3);
  EXPECT_FALSE(worker.Join(0)) << "still inside a handler";
  release.Set();
  EXPECT_TRUE(worker.Join(kWatchdogMs));
  EXPECT_EQ(worker.ExitCode(), 3);
  EXPECT_EQ(seen, (std::vector<std::string>{"setup", std::to_string(WM_USER) + "+payload", std::to_string(WM_USER + 1)}));
  EXPECT_EQ(freed, 1);
  EXPECT_FALSE(worker.PostThreadMessage(WM_USER, 0, 0, std::make_unique<Counted>(&freed)));
  EXPECT_EQ(freed, 2) << "a refused post frees its payload";
}

TEST(Event, AutoResetReleasesOneWaitManualResetStaysSet) {
  Event automatic(false, true);
  EXPECT_TRUE(automatic.Wait(0));
  EXPECT_FALSE(automatic.Wait(0)) << "cleared by the wait that took it";
  automatic.Set();
  EXPECT_TRUE(automatic.Wait(0));

  Event manual(true);
  EXPECT_FALSE(manual.Wait(5));
  manual.Set();
  EXPECT_TRUE(manual.Wait(0));
  EXPECT_TRUE(manual.Wait(0));
  manual.Reset();
  EXPECT_FALSE(manual.Wait(0));

  // Across threads: every waiter of a manual event wakes on one Set.
  Event gate(true);
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) waiters.emplace_back([&] { woken += gate.Wait(kWatchdogMs) ? 1 : 0; });
  gate.Set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woken, 3);
}

TEST(MessageLoop, WatchedDescriptorsAreServedOnTheLoopsThread) {
  VirtualLoop v;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::vector<uint32_t> events;
  WatchId id = v.loop().WatchFd(fds[0], kFdReadable, [&](int fd, uint32_t what) {
    char c;
    EXPECT_EQ(read(fd, &c, 1), 1);
    events.push_back(what);
  });
  ASSERT_NE(id, 0u);
  EXPECT_EQ(v.loop().WatchFd(fds[0], kFdReadable, [](int, uint32_t) {}), 0u) << "one watch per descriptor";
  v.RunUntilIdle();
  EXPECT_TRUE(events.empty());
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  v.RunUntilIdle();
  EXPECT_EQ(events, (std::vector<uint32_t>{kFdReadable}));
  EXPECT_TRUE(v.loop().UnwatchFd(id));
  ASSERT_EQ(write(fds[1], "y", 1), 1);
  v.RunUntilIdle();
  EXPECT_EQ(events.size(), 1u);
  // Writability is asked for only while there is something to write.
  uint32_t writable = 0;
  WatchId writer = 0;
  writer = v.loop().WatchFd(fds[1], 0, [&](int, uint32_t what) {
    writable |= what;
    v.loop().UpdateFdEvents(writer, 0);
  });
  EXPECT_TRUE(v.RunUntilIdle());
  EXPECT_EQ(writable, 0u) << "no interest, no call";
  EXPECT_TRUE(v.loop().UpdateFdEvents(writer, kFdWritable));
  EXPECT_TRUE(v.RunUntilIdle());
  EXPECT_EQ(writable, kFdWritable);
  EXPECT_TRUE(v.loop().UnwatchFd(writer));
  uint32_t hangup = 0;
  WatchId reader = 0;
  reader = v.loop().WatchFd(fds[0], kFdReadable, [&](int, uint32_t what) {
    hangup = what;
    v.loop().UnwatchFd(reader);  // from its own callback
  });
  ASSERT_NE(reader, 0u);
  close(fds[1]);
  EXPECT_TRUE(v.RunUntilIdle());
  EXPECT_TRUE(hangup & kFdHangup);
  close(fds[0]);
}

// What an outside driver (Qt's event loop on the GUI thread) relies on.
TEST(MessageLoop, PollFdAndTimerDelayTellAnOutsideDriverWhenToProcess) {
  VirtualLoop v;
  Hwnd w = CreateWindow(v.loop(), "W", u"", WindowKind::kLocal, [](Msg&) -> LResult { return 0; });
  v.RunUntilIdle();
  pollfd p{v.loop().PollFd(), POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, 0), 0) << "nothing to do";
  EXPECT_EQ(v.loop().NextTimerDelayMs(), std::nullopt);
  SetTimer(w, 1, 250);
  EXPECT_EQ(v.loop().NextTimerDelayMs(), 250);
  v.clock().AdvanceMs(100);
  EXPECT_EQ(v.loop().NextTimerDelayMs(), 150);
  v.RunUntilIdle();
  std::thread([&] { PostMessage(w, WM_USER); }).join();
  EXPECT_EQ(poll(&p, 1, kWatchdogMs), 1) << "a post from another thread wakes the driver";
  EXPECT_TRUE(v.loop().ProcessDue());
  EXPECT_EQ(poll(&p, 1, 0), 0) << "and processing clears it";
  PostMessage(w, WM_USER);
  EXPECT_EQ(poll(&p, 1, 0), 1) << "so does a post from the driver's own thread";
  EXPECT_TRUE(v.loop().ProcessDue());
  SetTimer(w, 2, 10);
  EXPECT_EQ(poll(&p, 1, 0), 1) << "and a timer it arms, whose deadline the driver must re-read";
  EXPECT_FALSE(v.loop().ProcessDue());
}

// A thread that waits in a send reads its loop's wake-ups; whatever they announced (here a timer
// armed from another thread) must still reach an outside driver afterwards.
TEST(MessageLoop, AWakeTakenWhileWaitingInASendIsGivenBack) {
  VirtualLoop v;
  Hwnd local = CreateWindow(v.loop(), "Local", u"", WindowKind::kLocal, [](Msg&) -> LResult { return 0; });
  Hwnd remote = 0;
  MessageThread worker;
  ASSERT_TRUE(worker.Start("worker", [&](MessageLoop& loop) {
    remote = CreateWindow(loop, "Remote", u"", WindowKind::kLocal, [&](Msg&) -> LResult {
      SetTimer(local, 1, 40);
      return 1;
    });
  }));
  v.RunUntilIdle();
  ASSERT_TRUE(SendMessageTimeout(remote, WM_USER, 0, 0, kWatchdogMs).ok());
  pollfd p{v.loop().PollFd(), POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, 0), 1);
  v.loop().ProcessDue();
  EXPECT_EQ(v.loop().NextTimerDelayMs(), 40);
}

// A modal box or menu opened inside a handler serves the same loop until it closes. These drive
// such a nested loop by ProcessDue, as the toolkit's modal loop does through the outside driver.
TEST(MessageLoop, ANestedLoopServesWhatTheOuterRoundHadNotReachedAndNothingTwice) {
  VirtualLoop v;
  std::vector<std::string> log;
  bool modalDone = false;
  Hwnd w = 0;
  w = CreateWindow(v.loop(), "W", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    if (m.message == WM_TIMER) {
      log.push_back("timer");
    } else if (m.message == WM_USER) {
      log.push_back("modal<");
      while (!modalDone) v.loop().ProcessDue();
      log.push_back("modal>");
    } else {
      log.push_back(std::to_string(m.message - WM_USER));
      if (m.message == WM_USER + 1) PostMessage(w, WM_USER + 9);  // posted inside the modal loop
      if (m.message == WM_USER + 2) modalDone = true;
    }
    return 0;
  });
  SetTimer(w, 1, 100);
  v.clock().AdvanceMs(100);  // the timer is due in the round that opens the modal loop
  PostMessage(w, WM_USER);
  PostMessage(w, WM_USER + 1);
  PostMessage(w, WM_USER + 2);
  EXPECT_TRUE(v.loop().ProcessDue());
  EXPECT_EQ(log, (std::vector<std::string>{"modal<", "1", "2", "timer", "modal>"}))
      << "the nested loop served the messages after it and the due timer; the outer round served "
         "neither again and left the message posted inside the modal loop for the next round";
  v.RunUntilIdle();
  EXPECT_EQ(log.back(), "9");
  log.clear();
  v.AdvanceMs(100);
  EXPECT_EQ(log, std::vector<std::string>{"timer"}) << "the timer keeps its period from when it fired";
}

TEST(MessageLoop, AQuitDuringANestedLoopEndsItAndEveryEnclosingRound) {
  VirtualLoop v;
  std::vector<std::string> log;
  Hwnd w = 0;
  w = CreateWindow(v.loop(), "W", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    if (m.message == WM_TIMER) {
      log.push_back("timer");
    } else if (m.message == WM_USER) {
      log.push_back("modal<");
      // A modal loop ends when the program's loop is asked to quit (its box as if cancelled).
      while (!v.loop().QuitRequested()) v.loop().ProcessDue();
      log.push_back("modal>");
    } else {
      log.push_back(std::to_string(m.message - WM_USER));
    }
    return 0;
  });
  SetTimer(w, 1, 100);
  v.clock().AdvanceMs(100);
  PostMessage(w, WM_USER);
  PostMessage(w, WM_USER + 1);
  v.loop().PostQuit(7);
  PostMessage(w, WM_USER + 2);
  EXPECT_EQ(v.loop().Run(), 7);
  EXPECT_EQ(log, (std::vector<std::string>{"modal<", "1", "modal>"}))
      << "neither the nested round nor the one around it served anything after the quit";
  EXPECT_EQ(v.loop().RemoveMessages(WM_USER + 2, WM_USER + 2), 1u) << "what was behind the quit stays queued";
}

TEST(MessageLoop, ADescriptorANestedLoopDrainedIsNotCalledBackAgain) {
  VirtualLoop v;
  int first[2], second[2];
  ASSERT_EQ(pipe2(first, O_NONBLOCK), 0);
  ASSERT_EQ(pipe2(second, O_NONBLOCK), 0);
  int drained = 0, calledEmpty = 0;
  auto drain = [&](int fd, uint32_t) {
    char byte;
    if (read(fd, &byte, 1) == 1) {
      ++drained;
    } else {
      ++calledEmpty;
    }
  };
  bool nested = false;
  auto openModal = [&](int fd, uint32_t events) {
    drain(fd, events);
    if (!nested) {
      nested = true;
      v.loop().ProcessDue();  // serves the other descriptor, ready in the same wait
    }
  };
  WatchId a = v.loop().WatchFd(first[0], kFdReadable, openModal);
  WatchId b = v.loop().WatchFd(second[0], kFdReadable, openModal);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  ASSERT_EQ(write(first[1], "x", 1), 1);
  ASSERT_EQ(write(second[1], "y", 1), 1);
  v.RunUntilIdle();
  EXPECT_EQ(drained, 2);
  EXPECT_EQ(calledEmpty, 0) << "the outer round asked the descriptor again instead of trusting its stale report";
  v.loop().UnwatchFd(a);
  v.loop().UnwatchFd(b);
  for (int fd : {first[0], first[1], second[0], second[1]}) close(fd);
}
