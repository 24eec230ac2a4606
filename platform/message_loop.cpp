#include "platform/message_loop.h"

#include <poll.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <tuple>

#include "platform/loop_internal.h"

namespace qav {

namespace detail {

namespace {

// epoll tag of the loop's wake-up descriptor; watch ids start above it.
constexpr uint64_t kEventFdTag = 1;
constexpr int kMaxEventsPerWait = 64;

std::atomic<ThreadId> g_nextThreadId{1};

std::mutex g_registryMutex;
std::unordered_map<ThreadId, std::weak_ptr<LoopCore>>& Registry() {
  static auto* registry = new std::unordered_map<ThreadId, std::weak_ptr<LoopCore>>();
  return *registry;
}

thread_local std::vector<MessageLoop*> t_loops;

uint32_t ToEpoll(uint32_t events) {
  uint32_t e = 0;
  if (events & kFdReadable) e |= EPOLLIN;
  if (events & kFdWritable) e |= EPOLLOUT;
  return e;
}

uint32_t ReadyNow(int fd, uint32_t events) {
  pollfd p{fd, 0, 0};
  if (events & kFdReadable) p.events |= POLLIN;
  if (events & kFdWritable) p.events |= POLLOUT;
  if (poll(&p, 1, 0) <= 0) return 0;
  uint32_t ready = 0;
  if (p.revents & POLLIN) ready |= kFdReadable;
  if (p.revents & POLLOUT) ready |= kFdWritable;
  if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) ready |= kFdHangup;
  return ready;
}

uint32_t FromEpoll(uint32_t e) {
  uint32_t events = 0;
  if (e & EPOLLIN) events |= kFdReadable;
  if (e & EPOLLOUT) events |= kFdWritable;
  if (e & (EPOLLHUP | EPOLLERR)) events |= kFdHangup;
  return events;
}

std::atomic<uint32_t> g_ownPid{0};

}  // namespace

uint32_t OwnProcessId() {
  uint32_t pid = g_ownPid.load(std::memory_order_relaxed);
  if (pid == 0) {
    static std::once_flag once;
    std::call_once(once, [] { pthread_atfork(nullptr, nullptr, [] { g_ownPid.store(0); }); });
    pid = static_cast<uint32_t>(getpid());
    g_ownPid.store(pid, std::memory_order_relaxed);
  }
  return pid;
}

void SendRecord::Finish(State final, LResult value) {
  result = value;
  if (waiterLoop) {
    state.store(final, std::memory_order_release);
    waiterLoop->Wake();
  } else {
    {
      std::lock_guard lock(mutex);
      state.store(final, std::memory_order_release);
    }
    cv.notify_all();
  }
}

LoopCore::LoopCore(Clock& clock)
    : clock_(clock), owner_(std::this_thread::get_id()), id_(g_nextThreadId.fetch_add(1)) {
  eventFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  sendEpoll_ = epoll_create1(EPOLL_CLOEXEC);
  mainEpoll_ = epoll_create1(EPOLL_CLOEXEC);
  if (eventFd_ < 0 || sendEpoll_ < 0 || mainEpoll_ < 0) {
    if (eventFd_ >= 0) close(eventFd_);
    if (sendEpoll_ >= 0) close(sendEpoll_);
    if (mainEpoll_ >= 0) close(mainEpoll_);
    throw std::runtime_error("message loop: cannot create its descriptors");
  }
  // The wake-up descriptor is in both sets: the main set (what a round serves, and what an
  // outside driver watches) and the set a thread waiting in a send serves. Bus sockets are in
  // both as well; other watched descriptors only in the main set.
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = kEventFdTag;
  epoll_ctl(sendEpoll_, EPOLL_CTL_ADD, eventFd_, &ev);
  epoll_ctl(mainEpoll_, EPOLL_CTL_ADD, eventFd_, &ev);
}

LoopCore::~LoopCore() {
  // The descriptors outlive Close: a sender that still holds this core may wake it late.
  close(mainEpoll_);
  close(sendEpoll_);
  close(eventFd_);
}

bool LoopCore::AcceptsLocked(const WindowEntry* target) const {
  return !closed_ && (!target || liveWindows_.count(target->hwnd) > 0);
}

bool LoopCore::Post(QueuedMsg message) {
  {
    std::lock_guard lock(mutex_);
    if (!AcceptsLocked(message.target.get())) return false;  // `message` frees its payload outside the lock
    message.serial = nextPostSerial_++;
    posted_.push_back(std::move(message));
  }
  WakeForNewWork();
  return true;
}

bool LoopCore::QueueSend(const std::shared_ptr<SendRecord>& record) {
  {
    std::lock_guard lock(mutex_);
    if (!AcceptsLocked(record->target.get())) return false;
    sends_.push_back(record);
  }
  Wake();
  return true;
}

void LoopCore::Wake() {
  if (!wakePending_.exchange(true, std::memory_order_acq_rel)) {
    uint64_t one = 1;
    ssize_t n = write(eventFd_, &one, sizeof one);
    (void)n;  // a full counter is still readable, which is all a wake needs
  }
}

int LoopCore::PollFd() {
  if (!outsideDriver_.exchange(true, std::memory_order_relaxed) && HasQueuedWork()) Wake();
  return mainEpoll_;
}

void LoopCore::WakeForNewWork() {
  if (outsideDriver_.load(std::memory_order_relaxed) || !IsOwnerThread()) Wake();
}

void LoopCore::ClearWake() {
  // The counter is read before the flag is cleared. The other way round, a wake landing between the
  // two would set the flag again and have its write swallowed by the read: the flag would stay set
  // over an empty counter, every later Wake would skip its write, and a thread waiting in a send
  // (or an outside driver on PollFd) would sleep through its answer. In this order a wake that
  // lands in between finds the flag still set and writes nothing, and the exchange below still
  // shows what it published.
  uint64_t value;
  ssize_t n = read(eventFd_, &value, sizeof value);
  (void)n;
  // An exchange, not a store: it pairs with the waker's exchange, so whatever the waker published
  // before waking is visible to the checks that follow.
  wakePending_.exchange(false, std::memory_order_acq_rel);
}

bool LoopCore::SetTimer(const std::shared_ptr<WindowEntry>& window, uint64_t id, uint32_t periodMs) {
  {
    std::lock_guard lock(mutex_);
    if (!AcceptsLocked(window.get())) return false;
    Timer& t = timers_[{window->hwnd, id}];
    t.deadline = clock_.MonotonicMs() + periodMs;
    t.period = periodMs;
    t.sequence = ++timerSequence_;
    t.window = window;
  }
  WakeForNewWork();  // an outside driver, or a Run blocked on another thread, re-reads the next deadline
  return true;
}

bool LoopCore::KillTimer(Hwnd window, uint64_t id) {
  std::lock_guard lock(mutex_);
  return timers_.erase({window, id}) > 0;
}

std::vector<Msg> LoopCore::Take(uint32_t first, uint32_t last, Hwnd window) {
  std::vector<Msg> taken;
  std::lock_guard lock(mutex_);
  for (auto it = posted_.begin(); it != posted_.end();) {
    const Msg& m = it->msg;
    bool windowMatches = window == kAnyWindow || m.window == window;
    if (windowMatches && m.message >= first && m.message <= last) {
      taken.push_back(std::move(it->msg));
      it = posted_.erase(it);
    } else {
      ++it;
    }
  }
  return taken;
}

std::optional<int64_t> LoopCore::NextTimerDelayMs() const {
  std::lock_guard lock(mutex_);
  if (timers_.empty()) return std::nullopt;
  int64_t earliest = INT64_MAX;
  for (const auto& [key, t] : timers_) earliest = std::min(earliest, t.deadline);
  return std::max<int64_t>(0, earliest - clock_.MonotonicMs());
}

bool LoopCore::HasQueuedWork() const {
  std::lock_guard lock(mutex_);
  return !posted_.empty() || !sends_.empty();
}

bool LoopCore::ServeQueuedSends() {
  bool served = false;
  for (;;) {
    std::shared_ptr<SendRecord> record;
    {
      std::lock_guard lock(mutex_);
      if (sends_.empty()) break;
      record = std::move(sends_.front());
      sends_.pop_front();
    }
    int expected = SendRecord::kQueued;
    if (!record->state.compare_exchange_strong(expected, SendRecord::kRunning)) continue;  // gave up
    served = true;
    bool delivered = false;
    LResult result = 0;
    try {
      result = DispatchToWindow(record->target, record->msg, &delivered);
    } catch (...) {
      record->Finish(SendRecord::kNoWindow, 0);  // never leave the sender waiting
      throw;
    }
    record->Finish(delivered ? SendRecord::kDone : SendRecord::kNoWindow, result);
  }
  return served;
}

bool LoopCore::ServeReadyFds(int epollFd, int timeoutMs) {
  epoll_event events[kMaxEventsPerWait];
  int n = epoll_wait(epollFd, events, kMaxEventsPerWait, timeoutMs);
  if (n <= 0) return false;
  const uint64_t roundsAtWait = roundsStarted_;
  const uint64_t quitsAtWait = quitsSeen_;
  bool served = false;
  for (int i = 0; i < n; ++i) {
    uint64_t tag = events[i].data.u64;
    if (tag == kEventFdTag) {
      ClearWake();
      if (epollFd == sendEpoll_) wakeTakenInSendWait_ = true;
      continue;
    }
    if (QuitSince(quitsAtWait)) break;  // a nested round ended the program's loop
    auto it = watches_.find(tag);
    if (it == watches_.end()) continue;
    std::shared_ptr<FdWatch> watch = it->second;  // survives an Unwatch from its own callback
    if (!watch->alive) continue;
    uint32_t ready = FromEpoll(events[i].events);
    if (roundsStarted_ != roundsAtWait) {
      // A nested round ran in an earlier callback and may have served this descriptor already:
      // what epoll reported is stale, so ask again rather than call back on a drained descriptor.
      ready = ReadyNow(watch->fd, watch->events);
      if (ready == 0) continue;
    }
    served = true;
    watch->callback(watch->fd, ready);
  }
  return served;
}

void LoopCore::ServeSendSources(int timeoutMs) {
  ServeQueuedSends();
  ServeReadyFds(sendEpoll_, timeoutMs);
  ServeQueuedSends();
}

void LoopCore::EndSendWait() {
  if (wakeTakenInSendWait_ || HasQueuedWork()) Wake();
  wakeTakenInSendWait_ = false;
}

void LoopCore::Dispatch(QueuedMsg& queued) {
  if (queued.target) {
    bool delivered = false;
    DispatchToWindow(queued.target, queued.msg, &delivered);
  } else if (threadHandler_) {
    threadHandler_(queued.msg);
  }
}

bool LoopCore::ServePosted(bool* sawQuit) {
  uint64_t limit;
  {
    std::lock_guard lock(mutex_);
    limit = nextPostSerial_;  // messages posted meanwhile wait for the next round
  }
  const uint64_t quitsAtStart = quitsSeen_;
  bool served = false;
  for (;;) {
    ServeQueuedSends();
    QueuedMsg queued;
    {
      std::lock_guard lock(mutex_);
      // A nested round may have served some of this round's messages already; the serial keeps
      // this round to what was queued before it began, whatever is left of it.
      if (posted_.empty() || posted_.front().serial >= limit) break;
      queued = std::move(posted_.front());
      posted_.pop_front();
    }
    served = true;
    if (queued.msg.message == WM_QUIT) {
      quit_ = true;
      ++quitsSeen_;
      exitCode_ = static_cast<int>(queued.msg.wParam);
      *sawQuit = true;
      break;
    }
    Dispatch(queued);
    if (QuitSince(quitsAtStart)) {  // dispatched by a nested round inside that handler
      *sawQuit = true;
      break;
    }
  }
  return served;
}

bool LoopCore::FireDueTimers() {
  const int64_t now = clock_.MonotonicMs();
  std::vector<std::tuple<int64_t, uint64_t, std::pair<Hwnd, uint64_t>>> due;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [key, t] : timers_) {
      if (t.deadline <= now) due.emplace_back(t.deadline, t.sequence, key);
    }
  }
  std::sort(due.begin(), due.end());
  const uint64_t quitsAtStart = quitsSeen_;
  for (const auto& [deadline, sequence, key] : due) {
    if (QuitSince(quitsAtStart)) break;
    std::shared_ptr<WindowEntry> window;
    {
      std::lock_guard lock(mutex_);
      auto it = timers_.find(key);
      // Killed or re-armed by an earlier handler of this round, or fired by a nested round inside
      // one (which moved its deadline on): not due any more.
      if (it == timers_.end() || it->second.sequence != sequence || it->second.deadline != deadline) continue;
      Timer& t = it->second;
      int64_t next = t.deadline + t.period;
      if (next <= now) next = now + std::max<uint32_t>(t.period, 1);
      t.deadline = next;
      window = t.window.lock();
      if (!window) {
        timers_.erase(it);
        continue;
      }
    }
    Msg m;
    m.window = key.first;
    m.message = WM_TIMER;
    m.wParam = key.second;
    m.senderProcess = OwnProcessId();
    bool delivered = false;
    DispatchToWindow(window, m, &delivered);
  }
  return !due.empty();
}

bool LoopCore::RunRound(bool mayBlock) {
  bool did = false;
  ++roundsStarted_;
  const uint64_t quitsAtStart = quitsSeen_;
  // Only a wake that is pending is read here; a wake whose write lands after this point keeps
  // the descriptor readable and is read when epoll reports it below.
  if (wakePending_.load(std::memory_order_acquire)) ClearWake();
  did |= ServeQueuedSends();
  int timeoutMs = 0;
  if (mayBlock && !HasQueuedWork()) {
    // Read after the wake was cleared, so a timer armed meanwhile by another thread counts.
    auto delay = NextTimerDelayMs();
    timeoutMs = delay ? static_cast<int>(std::min<int64_t>(clock_.RealWaitMs(*delay), INT32_MAX)) : kInfinite;
  }
  did |= ServeReadyFds(mainEpoll_, timeoutMs);
  bool sawQuit = QuitSince(quitsAtStart);
  if (!sawQuit) did |= ServePosted(&sawQuit);
  if (!sawQuit) did |= FireDueTimers();
  if (outsideDriver_.load(std::memory_order_relaxed) && HasQueuedWork()) Wake();  // keeps PollFd readable
  return did;
}

bool LoopCore::WaitForWork(int timeoutMs) {
  if (HasQueuedWork()) return true;
  // Level-triggered: what is reported here is reported again to the next round.
  epoll_event ev;
  return epoll_wait(mainEpoll_, &ev, 1, timeoutMs) > 0;
}

WatchId LoopCore::Watch(int fd, uint32_t events, FdCallback callback, bool duringSends) {
  if (!IsOwnerThread() || fd < 0 || !callback) return 0;
  for (const auto& [id, w] : watches_) {
    if (w->fd == fd) return 0;
  }
  auto watch = std::make_shared<FdWatch>();
  watch->id = nextWatchId_++;
  watch->fd = fd;
  watch->events = events;
  watch->duringSends = duringSends;
  watch->callback = std::move(callback);
  if (EpollCtl(*watch, EPOLL_CTL_ADD, events) != 0) {
    EpollCtl(*watch, EPOLL_CTL_DEL, 0);
    return 0;
  }
  watches_[watch->id] = watch;
  return watch->id;
}

int LoopCore::EpollCtl(const FdWatch& watch, int operation, uint32_t events) {
  epoll_event ev{};
  ev.events = ToEpoll(events);
  ev.data.u64 = watch.id;
  int result = epoll_ctl(mainEpoll_, operation, watch.fd, &ev);
  if (watch.duringSends && epoll_ctl(sendEpoll_, operation, watch.fd, &ev) != 0) result = -1;
  return result;
}

bool LoopCore::UpdateWatch(WatchId id, uint32_t events) {
  if (!IsOwnerThread()) return false;
  auto it = watches_.find(id);
  if (it == watches_.end()) return false;
  if (EpollCtl(*it->second, EPOLL_CTL_MOD, events) != 0) return false;
  it->second->events = events;
  return true;
}

bool LoopCore::Unwatch(WatchId id) {
  if (!IsOwnerThread()) return false;
  auto it = watches_.find(id);
  if (it == watches_.end()) return false;
  it->second->alive = false;
  EpollCtl(*it->second, EPOLL_CTL_DEL, 0);
  watches_.erase(it);
  return true;
}

void LoopCore::AddWindow(const std::shared_ptr<WindowEntry>& window) {
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(), [](const auto& w) { return w.expired(); }),
                 windows_.end());
  windows_.push_back(window);
  std::lock_guard lock(mutex_);
  liveWindows_.insert(window->hwnd);
}

void LoopCore::ForgetWindow(Hwnd window) {
  std::deque<QueuedMsg> dropped;
  std::vector<std::shared_ptr<SendRecord>> failed;
  {
    std::lock_guard lock(mutex_);
    liveWindows_.erase(window);
    for (auto it = timers_.begin(); it != timers_.end();) {
      it = it->first.first == window ? timers_.erase(it) : std::next(it);
    }
    for (auto it = posted_.begin(); it != posted_.end();) {
      if (it->target && it->target->hwnd == window) {
        dropped.push_back(std::move(*it));
        it = posted_.erase(it);
      } else {
        ++it;
      }
    }
    for (auto it = sends_.begin(); it != sends_.end();) {
      if ((*it)->target && (*it)->target->hwnd == window) {
        failed.push_back(std::move(*it));
        it = sends_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& record : failed) {
    int expected = SendRecord::kQueued;
    if (record->state.compare_exchange_strong(expected, SendRecord::kRunning)) {
      record->Finish(SendRecord::kNoWindow, 0);
    }
  }
  // `dropped` frees its payloads here, outside the lock.
}

void LoopCore::Close() {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    closed_ = true;
  }
  {
    std::lock_guard lock(g_registryMutex);
    Registry().erase(id_);
  }
  std::vector<std::weak_ptr<WindowEntry>> windows;
  windows.swap(windows_);
  for (auto& weak : windows) {
    if (auto window = weak.lock()) DestroyWindowEntry(window);
  }
  std::deque<QueuedMsg> dropped;
  std::deque<std::shared_ptr<SendRecord>> failed;
  {
    std::lock_guard lock(mutex_);
    dropped.swap(posted_);
    failed.swap(sends_);
    timers_.clear();
  }
  for (auto& record : failed) {
    int expected = SendRecord::kQueued;
    if (record->state.compare_exchange_strong(expected, SendRecord::kRunning)) {
      record->Finish(SendRecord::kNoWindow, 0);
    }
  }
  for (auto& [id, watch] : watches_) {
    watch->alive = false;
    EpollCtl(*watch, EPOLL_CTL_DEL, 0);
  }
  watches_.clear();
  threadHandler_ = nullptr;
}

std::shared_ptr<LoopCore> CurrentLoopCore() {
  if (t_loops.empty()) return nullptr;
  return t_loops.back()->core().shared_from_this();
}

}  // namespace detail

using detail::LoopCore;

MessageLoop::MessageLoop(Clock& clock) : core_(std::make_shared<LoopCore>(clock)) {
  {
    std::lock_guard lock(detail::g_registryMutex);
    detail::Registry()[core_->id()] = core_;
  }
  detail::t_loops.push_back(this);
}

MessageLoop::~MessageLoop() {
  core_->Close();
  auto& loops = detail::t_loops;
  loops.erase(std::remove(loops.begin(), loops.end(), this), loops.end());
}

MessageLoop* MessageLoop::Current() { return detail::t_loops.empty() ? nullptr : detail::t_loops.back(); }

ThreadId MessageLoop::threadId() const { return core_->id(); }
Clock& MessageLoop::clock() const { return core_->clock(); }

void MessageLoop::SetThreadMessageHandler(ThreadMessageHandler handler) {
  core_->SetThreadMessageHandler(std::move(handler));
}

int MessageLoop::Run() {
  core_->ClearQuit();
  for (;;) {
    core_->RunRound(true);
    if (core_->QuitRequested()) return core_->ExitCode();
  }
}

bool MessageLoop::ProcessDue() { return core_->ProcessDue(); }
bool MessageLoop::WaitForWork(int timeoutMs) { return core_->WaitForWork(timeoutMs); }
int MessageLoop::PollFd() const { return core_->PollFd(); }
std::optional<int64_t> MessageLoop::NextTimerDelayMs() const { return core_->NextTimerDelayMs(); }
bool MessageLoop::QuitRequested() const { return core_->QuitRequested(); }
int MessageLoop::ExitCode() const { return core_->ExitCode(); }

void MessageLoop::PostQuit(int exitCode) {
  detail::QueuedMsg quit;
  quit.msg.message = WM_QUIT;
  quit.msg.wParam = static_cast<WParam>(static_cast<uint32_t>(exitCode));
  core_->Post(std::move(quit));
}

std::vector<Msg> MessageLoop::TakeMessages(uint32_t first, uint32_t last, Hwnd window) {
  return core_->Take(first, last, window);
}

size_t MessageLoop::RemoveMessages(uint32_t first, uint32_t last, Hwnd window) {
  return TakeMessages(first, last, window).size();
}

WatchId MessageLoop::WatchFd(int fd, uint32_t events, FdCallback callback) {
  return core_->Watch(fd, events, std::move(callback), false);
}
bool MessageLoop::UpdateFdEvents(WatchId id, uint32_t events) { return core_->UpdateWatch(id, events); }
bool MessageLoop::UnwatchFd(WatchId id) { return core_->Unwatch(id); }

bool PostThreadMessage(ThreadId thread, uint32_t message, WParam wParam, LParam lParam,
                       std::unique_ptr<Payload> payload) {
  std::shared_ptr<LoopCore> core;
  {
    std::lock_guard lock(detail::g_registryMutex);
    auto it = detail::Registry().find(thread);
    if (it != detail::Registry().end()) core = it->second.lock();
  }
  if (!core) return false;
  detail::QueuedMsg queued;
  queued.msg.message = message;
  queued.msg.wParam = wParam;
  queued.msg.lParam = lParam;
  queued.msg.payload = std::move(payload);
  queued.msg.senderProcess = detail::OwnProcessId();
  return core->Post(std::move(queued));
}

void PostQuitMessage(int exitCode) {
  if (MessageLoop* loop = MessageLoop::Current()) loop->PostQuit(exitCode);
}

}  // namespace qav
