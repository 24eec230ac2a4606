// Internals shared by the loop, the window table and the desktop bus. Not for use outside platform/.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/clock.h"
#include "platform/message.h"
#include "platform/message_loop.h"

namespace qav::detail {

class LoopCore;
class BusEndpoint;

// Asks a window's own thread to destroy it (DestroyWindow from another thread). Never crosses
// processes and never reaches a procedure.
inline constexpr uint32_t kDestroyRequest = 0x7FFF0001;

struct WindowEntry {
  Hwnd hwnd = 0;
  std::string className;
  bool topLevel = false;
  std::weak_ptr<LoopCore> loop;
  WindowProc proc;  // set at creation, never replaced: safe to call while the entry lives
  std::atomic<bool> destroyed{false};
  mutable std::mutex titleMutex;
  std::u16string title;
  std::shared_ptr<BusEndpoint> endpoint;  // top-level windows; touched on the owner thread only

  std::u16string Title() const {
    std::lock_guard lock(titleMutex);
    return title;
  }
  void SetTitle(std::u16string text) {
    std::lock_guard lock(titleMutex);
    title = std::move(text);
  }
};

// One send from another thread of this process, queued on the target window's loop.
struct SendRecord {
  enum State : int { kQueued, kRunning, kDone, kNoWindow, kCancelled };

  Msg msg;
  std::shared_ptr<WindowEntry> target;
  std::shared_ptr<LoopCore> waiterLoop;  // woken when finished; without one, `cv` is used
  std::atomic<int> state{kQueued};
  LResult result = 0;
  std::mutex mutex;
  std::condition_variable cv;

  bool Finished() const {
    int s = state.load(std::memory_order_acquire);
    return s == kDone || s == kNoWindow;
  }
  void Finish(State final, LResult value);
};

struct QueuedMsg {
  Msg msg;
  std::shared_ptr<WindowEntry> target;  // null for a thread message
  uint64_t serial = 0;                  // order of posting; a round serves those below its start's
};

class LoopCore : public std::enable_shared_from_this<LoopCore> {
 public:
  explicit LoopCore(Clock& clock);
  ~LoopCore();
  LoopCore(const LoopCore&) = delete;
  LoopCore& operator=(const LoopCore&) = delete;

  // ---- any thread ----
  ThreadId id() const { return id_; }
  Clock& clock() const { return clock_; }
  bool IsOwnerThread() const { return std::this_thread::get_id() == owner_; }
  // Post, QueueSend and SetTimer refuse (a post's payload is freed) once the loop has closed or
  // forgotten the target window, so nothing is queued where no end will sweep it away.
  bool Post(QueuedMsg message);
  bool QueueSend(const std::shared_ptr<SendRecord>& record);
  void Wake();
  bool SetTimer(const std::shared_ptr<WindowEntry>& window, uint64_t id, uint32_t periodMs);
  bool KillTimer(Hwnd window, uint64_t id);
  std::vector<Msg> Take(uint32_t first, uint32_t last, Hwnd window);
  std::optional<int64_t> NextTimerDelayMs() const;
  bool HasQueuedWork() const;

  // ---- owner thread ----
  void SetThreadMessageHandler(ThreadMessageHandler handler) { threadHandler_ = std::move(handler); }
  // One round; with `mayBlock`, first waits for work (or the next timer) as Run does.
  bool RunRound(bool mayBlock);
  bool ProcessDue() { return RunRound(false); }
  // Waits up to timeoutMs for, then serves, what a thread waiting in a send must serve: sends
  // queued from other threads and the bus sockets of this loop's top-level windows.
  void ServeSendSources(int timeoutMs);
  // Called when a send-wait ends: a wake that the wait consumed (a post, a timer armed from
  // another thread) is given back, so Run and an outside driver look at the queue and timers again.
  void EndSendWait();
  // Whoever asks for it drives the loop from outside, so from then on every post and timer wakes
  // it, and what was queued before is announced now.
  int PollFd();
  int SendWaitFd() const { return sendEpoll_; }
  bool WaitForWork(int timeoutMs);
  bool QuitRequested() const { return quit_; }
  int ExitCode() const { return exitCode_; }
  void ClearQuit() { quit_ = false; }
  // `duringSends`: also served while the thread waits in a send (the bus's own sockets).
  WatchId Watch(int fd, uint32_t events, FdCallback callback, bool duringSends);
  bool UpdateWatch(WatchId id, uint32_t events);
  bool Unwatch(WatchId id);
  // Before the window can be found: from then on the loop queues messages, sends and timers for it.
  void AddWindow(const std::shared_ptr<WindowEntry>& window);
  // Any thread. Kills the window's timers, drops what is queued for it (payloads freed, senders
  // failed) and refuses whatever comes for it later, in one step under the queue's lock.
  void ForgetWindow(Hwnd window);
  // Ends the loop: destroys its windows, frees the queue, fails the waiting senders.
  void Close();

 private:
  struct Timer {
    int64_t deadline = 0;
    uint32_t period = 0;
    uint64_t sequence = 0;
    std::weak_ptr<WindowEntry> window;
  };
  struct FdWatch {
    WatchId id = 0;
    int fd = -1;
    uint32_t events = 0;
    bool duringSends = false;
    bool alive = true;
    FdCallback callback;
  };

  void ClearWake();
  // A wake for what was just queued or armed. The owner thread itself needs none when the loop is
  // its own driver: it is not waiting, and every round looks at the queue and the timers before it
  // blocks. Skipping the eventfd write and read saves two system calls for each message a thread
  // posts to itself (the audio thread's blocks); an outside driver only learns through the wake.
  void WakeForNewWork();
  bool ServeQueuedSends();
  bool ServeReadyFds(int epollFd, int timeoutMs);
  // Whether a WM_QUIT was dispatched since `quitsBefore` was read (by this round or a nested one).
  bool QuitSince(uint64_t quitsBefore) const { return quitsSeen_ != quitsBefore; }
  int EpollCtl(const FdWatch& watch, int operation, uint32_t events);
  bool ServePosted(bool* sawQuit);
  bool FireDueTimers();
  void Dispatch(QueuedMsg& message);
  // Under mutex_: may something still be queued for this target (null: the thread itself)?
  bool AcceptsLocked(const WindowEntry* target) const;

  Clock& clock_;
  const std::thread::id owner_;
  const ThreadId id_;
  int eventFd_ = -1;
  int sendEpoll_ = -1;
  int mainEpoll_ = -1;
  std::atomic<bool> wakePending_{false};
  std::atomic<bool> outsideDriver_{false};

  mutable std::mutex mutex_;  // guards the members below it up to the owner-thread ones
  bool closed_ = false;
  std::deque<QueuedMsg> posted_;
  std::deque<std::shared_ptr<SendRecord>> sends_;
  std::map<std::pair<Hwnd, uint64_t>, Timer> timers_;
  uint64_t timerSequence_ = 0;
  uint64_t nextPostSerial_ = 0;
  // The windows this loop still queues for: added at creation, removed by ForgetWindow. The check
  // and the enqueue happen under the same lock as the sweep, so a call racing a window's end is
  // either queued before the sweep (and failed by it) or refused at once.
  std::unordered_set<Hwnd> liveWindows_;

  // Owner thread only.
  ThreadMessageHandler threadHandler_;
  bool quit_ = false;
  int exitCode_ = 0;
  // Counted so that a round notices what nested rounds (a modal loop inside one of its handlers)
  // did meanwhile: a WM_QUIT they dispatched, descriptors they may have drained.
  uint64_t quitsSeen_ = 0;
  uint64_t roundsStarted_ = 0;
  bool wakeTakenInSendWait_ = false;
  std::unordered_map<WatchId, std::shared_ptr<FdWatch>> watches_;
  WatchId nextWatchId_ = 16;
  std::vector<std::weak_ptr<WindowEntry>> windows_;
};

// This process's id, read once (and again in a forked child): it is on every hot path.
uint32_t OwnProcessId();

// The calling thread's current loop core, or null.
std::shared_ptr<LoopCore> CurrentLoopCore();

// Window table (window.cpp).
std::shared_ptr<WindowEntry> FindWindowEntry(Hwnd window);
// Runs the window's procedure on the calling (owner) thread; `delivered` false when the window is
// already destroyed.
LResult DispatchToWindow(const std::shared_ptr<WindowEntry>& window, Msg& message, bool* delivered);
void DestroyWindowEntry(const std::shared_ptr<WindowEntry>& window);

}  // namespace qav::detail
