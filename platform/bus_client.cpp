#include "platform/bus_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/bus_frame.h"
#include "platform/bus_socket.h"
#include "platform/desktop_directory.h"
#include "platform/loop_internal.h"
#include "platform/text.h"

namespace qav::detail {

namespace {

constexpr int kConnectTimeoutMs = 2000;
constexpr int kTitleTimeoutMs = 1000;

struct Reply {
  FrameStatus status = FrameStatus::kOk;
  LResult result = 0;
  std::string data;
};

struct ClientConnection {
  Hwnd window = 0;
  std::string dir;
  std::string name;
  int fd = -1;
  bool dead = false;
  uint64_t nextSequence = 1;
  std::set<uint64_t> waiting;        // sequences whose senders still wait (nested sends included)
  std::map<uint64_t, Reply> arrived;  // replies read by one waiter on behalf of another
  std::vector<char> buffer;
};

// This thread's connections. A forked child or a changed desktop directory starts afresh.
class ConnectionCache {
 public:
  ~ConnectionCache() { Reset(); }

  void Validate(const std::string& dir) {
    if (pid_ == OwnProcessId() && dir_ == dir) return;
    Reset();
    pid_ = OwnProcessId();
    dir_ = dir;
  }
  std::shared_ptr<ClientConnection> Find(Hwnd window) {
    auto it = connections_.find(window);
    return it == connections_.end() ? nullptr : it->second;
  }
  void Add(const std::shared_ptr<ClientConnection>& c) { connections_[c->window] = c; }
  void Drop(const std::shared_ptr<ClientConnection>& c) {
    auto it = connections_.find(c->window);
    if (it != connections_.end() && it->second == c) connections_.erase(it);
  }

 private:
  void Reset() {
    for (auto& [window, c] : connections_) {
      if (c->fd >= 0) close(c->fd);
      c->fd = -1;
      c->dead = true;
    }
    connections_.clear();
  }

  uint32_t pid_ = 0;
  std::string dir_;
  std::unordered_map<Hwnd, std::shared_ptr<ClientConnection>> connections_;
};

thread_local ConnectionCache t_connections;


void RemoveStale(const std::string& dir, const std::string& name, Hwnd window) {
  if (!RemoveIfStale(dir, name) && !ProcessExists(WindowProcessId(window))) unlink((dir + "/" + name).c_str());
}

// The peer ended or dropped the window: fail its waiters and clear its socket away.
void MarkDead(const std::shared_ptr<ClientConnection>& c) {
  if (c->dead) return;
  c->dead = true;
  if (c->fd >= 0) close(c->fd);
  c->fd = -1;
  t_connections.Drop(c);
  RemoveStale(c->dir, c->name, c->window);
}

std::shared_ptr<ClientConnection> Connect(Hwnd window, SendStatus* status) {
  t_connections.Validate(DesktopDirectory());
  if (auto c = t_connections.Find(window); c && !c->dead) return c;
  std::string dir = OpenDesktopDirectory();
  if (dir.empty()) {
    *status = SendStatus::kNoWindow;
    return nullptr;
  }
  auto file = FindBusWindowFile(dir, window);
  if (!file) {
    *status = SendStatus::kNoWindow;
    return nullptr;
  }
  ConnectError error;
  int fd = ConnectToBusSocket(dir, file->name, kConnectTimeoutMs, &error);
  if (fd < 0) {
    if (error == ConnectError::kRefused) {
      unlink((dir + "/" + file->name).c_str());  // nobody listens: the process ended
      *status = SendStatus::kPeerGone;
    } else {
      *status = error == ConnectError::kMissing ? SendStatus::kNoWindow : SendStatus::kTimedOut;
    }
    return nullptr;
  }
  // Whoever listens there must be the process the handle names.
  ucred peer{};
  socklen_t length = sizeof peer;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
      static_cast<uint32_t>(peer.pid) != WindowProcessId(window) || peer.uid != getuid()) {
    close(fd);
    *status = SendStatus::kNoWindow;
    return nullptr;
  }
  auto c = std::make_shared<ClientConnection>();
  c->window = window;
  c->dir = dir;
  c->name = file->name;
  c->fd = fd;
  t_connections.Add(c);
  return c;
}

// Reads replies until the one for `awaited` is in, or nothing more is there.
void ReadReplies(const std::shared_ptr<ClientConnection>& c, uint64_t awaited) {
  while (!c->dead && !c->arrived.count(awaited)) {
    FrameHeader header;
    std::string_view data;
    RecvResult r = RecvFrame(c->fd, c->buffer, header, data, MSG_DONTWAIT);
    if (r == RecvResult::kAgain) return;
    if (r == RecvResult::kClosed) {
      MarkDead(c);
      return;
    }
    if (r != RecvResult::kFrame || header.kind != FrameKind::kReply) continue;
    if (c->waiting.count(header.sequence)) {  // else the answer to a send that timed out
      c->arrived[header.sequence] = Reply{header.status, header.lParam, std::string(data)};
    }
    if (header.extra & kReplyClosesConnection) MarkDead(c);
  }
}

class Deadline {
 public:
  explicit Deadline(int timeoutMs)
      : infinite_(timeoutMs == kInfinite),
        end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs)) {}
  int RemainingMs() const {
    if (infinite_) return kInfinite;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now()).count();
    return static_cast<int>(std::max<int64_t>(0, left));
  }

 private:
  bool infinite_;
  std::chrono::steady_clock::time_point end_;
};

// Writes one frame, waiting for room until the deadline. A connection the peer has dropped is
// replaced once, since nothing was delivered on it.
std::shared_ptr<ClientConnection> WriteFrame(Hwnd window, FrameHeader header, std::string_view data,
                                             const Deadline& deadline, bool waitForRoom, SendStatus* status,
                                             uint64_t* sequence = nullptr) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto c = Connect(window, status);
    if (!c) return nullptr;
    header.sequence = c->nextSequence++;
    if (sequence) *sequence = header.sequence;
    for (;;) {
      if (SendFrame(c->fd, header, data, MSG_DONTWAIT)) return c;
      if (errno != EAGAIN && errno != EWOULDBLOCK) break;
      int wait = deadline.RemainingMs();
      if (!waitForRoom || wait == 0) {
        *status = SendStatus::kTimedOut;
        return nullptr;
      }
      pollfd p{c->fd, POLLOUT, 0};
      poll(&p, 1, wait);
    }
    MarkDead(c);
  }
  *status = SendStatus::kPeerGone;
  return nullptr;
}

// Sends a frame that expects a reply and waits for it, serving this thread's own loop meanwhile.
SendOutcome Exchange(Hwnd window, FrameHeader header, std::string_view data, int timeoutMs, std::string* replyData) {
  Deadline deadline(timeoutMs);
  SendStatus status = SendStatus::kNoWindow;
  uint64_t sequence = 0;
  auto c = WriteFrame(window, header, data, deadline, true, &status, &sequence);
  if (!c) return {status, 0};
  c->waiting.insert(sequence);
  std::shared_ptr<LoopCore> mine = CurrentLoopCore();
  SendOutcome outcome{SendStatus::kTimedOut, 0};
  for (;;) {
    if (auto it = c->arrived.find(sequence); it != c->arrived.end()) {
      Reply reply = std::move(it->second);
      c->arrived.erase(it);
      if (replyData) *replyData = std::move(reply.data);
      outcome.result = reply.result;
      outcome.status = reply.status == FrameStatus::kOk       ? SendStatus::kOk
                       : reply.status == FrameStatus::kRefused ? SendStatus::kRefused
                                                               : SendStatus::kNoWindow;
      break;
    }
    if (c->dead) {
      outcome.status = SendStatus::kPeerGone;
      break;
    }
    int wait = deadline.RemainingMs();
    if (wait == 0) break;  // timed out
    pollfd fds[2] = {{c->fd, POLLIN, 0}, {mine ? mine->SendWaitFd() : -1, POLLIN, 0}};
    if (poll(fds, 2, wait) < 0 && errno != EINTR) {
      MarkDead(c);
      continue;
    }
    if (fds[0].revents) ReadReplies(c, sequence);
    if (mine && fds[1].revents) mine->ServeSendSources(0);
  }
  c->waiting.erase(sequence);
  // Give back a wake the wait consumed.
  if (mine) mine->EndSendWait();
  return outcome;
}

}  // namespace

bool BusPost(Hwnd window, const Msg& message) {
  if (message.payload) return false;
  FrameHeader header = MakeHeader(FrameKind::kPost, message.message, 0, window);
  header.wParam = message.wParam;
  header.lParam = message.lParam;
  SendStatus status;
  // A receiver so far behind that its socket is full loses the post, as a full queue would.
  return WriteFrame(window, header, {}, Deadline(0), false, &status) != nullptr;
}

SendOutcome BusSend(Hwnd window, const Msg& message, int timeoutMs) {
  FrameHeader header = MakeHeader(FrameKind::kSend, message.message, 0, window);
  header.wParam = message.wParam;
  header.lParam = message.lParam;
  std::string data;
  if (message.message == WM_COPYDATA) {
    auto* block = message.Get<CopyDataPayload>();
    if (!block) return {SendStatus::kRefused, 0};
    header.dataKind = FrameData::kCopyData;
    header.extra = block->view().dwData;
    header.lParam = 0;
    data = block->bytes();
  } else if (message.message == WM_SETTEXT) {
    auto* text = message.Get<TextPayload>();
    if (!text) return {SendStatus::kRefused, 0};
    header.dataKind = FrameData::kText;
    header.lParam = 0;
    data = Utf16ToUtf8(text->text);
  } else if (message.payload) {
    return {SendStatus::kUnsupported, 0};
  }
  if (data.size() > kMaxMessageData) return {SendStatus::kRefused, 0};
  return Exchange(window, header, data, timeoutMs, nullptr);
}

std::optional<std::u16string> BusGetTitle(Hwnd window) {
  std::string title;
  SendOutcome outcome =
      Exchange(window, MakeHeader(FrameKind::kGetTitle, WM_NULL, 0, window), {}, kTitleTimeoutMs, &title);
  if (!outcome.ok()) return std::nullopt;
  return Utf8ToUtf16(title);
}

bool BusIsAlive(Hwnd window) {
  // A cached connection may have been closed by the other end since it was last used.
  if (auto c = t_connections.Find(window); c && !c->dead) {
    pollfd p{c->fd, POLLIN, 0};
    if (poll(&p, 1, 0) > 0) ReadReplies(c, 0);
  }
  SendStatus status;
  return Connect(window, &status) != nullptr;
}

void BusBroadcast(uint32_t message, WParam wParam, LParam lParam) {
  std::string dir = OpenDesktopDirectory();
  if (dir.empty()) return;
  Msg m;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  SweepEndedProcesses(dir);
  for (const auto& file : ListBusWindowFiles(dir)) {
    if (WindowProcessId(file.window) == OwnProcessId()) continue;  // posted to directly
    BusPost(file.window, m);
  }
}

Hwnd BusFindWindow(std::string_view className, std::optional<std::u16string_view> title) {
  // A search creates nothing: without a desktop directory there is no window to find.
  struct stat info {};
  if (lstat(DesktopDirectory().c_str(), &info) != 0) return 0;
  std::string dir = OpenDesktopDirectory();
  if (dir.empty()) return 0;
  SweepEndedProcesses(dir);
  for (const auto& file : ListBusWindowFiles(dir)) {
    if (WindowProcessId(file.window) == OwnProcessId() || !EqualsNoCase(file.className, className)) continue;
    if (title) {
      auto text = BusGetTitle(file.window);
      if (text && *text == *title) return file.window;
    } else if (BusIsAlive(file.window)) {
      return file.window;
    }
  }
  return 0;
}

}  // namespace qav::detail
