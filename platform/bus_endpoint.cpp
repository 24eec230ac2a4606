#include "platform/bus_endpoint.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/bus_socket.h"
#include "platform/desktop_directory.h"
#include "platform/text.h"

namespace qav::detail {

namespace {

// Connections accepted per readiness of the listener.
constexpr int kAcceptsPerRound = 16;

}  // namespace

BusEndpoint::BusEndpoint(LoopCore& loop, const std::shared_ptr<WindowEntry>& window)
    : loop_(loop), window_(window), hwnd_(window->hwnd) {}

std::shared_ptr<BusEndpoint> BusEndpoint::Open(LoopCore& loop, const std::shared_ptr<WindowEntry>& window) {
  std::string dir = OpenDesktopDirectory();
  if (dir.empty()) return nullptr;
  std::shared_ptr<BusEndpoint> endpoint(new BusEndpoint(loop, window));
  endpoint->dir_ = dir;
  endpoint->name_ = BusSocketName(window->hwnd, window->className);
  SweepEndedProcesses(dir);
  endpoint->listenFd_ = ListenOnBusSocket(dir, endpoint->name_);
  if (endpoint->listenFd_ < 0) return nullptr;
  std::weak_ptr<BusEndpoint> weak = endpoint;
  endpoint->listenWatch_ = loop.Watch(
      endpoint->listenFd_, kFdReadable,
      [weak](int, uint32_t) {
        if (auto self = weak.lock()) self->OnListenerReady();
      },
      true);
  if (endpoint->listenWatch_ == 0) {
    endpoint->Close();
    return nullptr;
  }
  return endpoint;
}

BusEndpoint::~BusEndpoint() { Close(); }

void BusEndpoint::Close() {
  if (closed_) return;
  closed_ = true;
  // The name goes first, so a peer that sees its connection close can no longer find the window or
  // reach its listener. It holds this process's id and a serial never reused: the file is ours.
  if (listenFd_ >= 0) unlink((dir_ + "/" + name_).c_str());
  for (auto& [fd, connection] : connections_) {
    loop_.Unwatch(connection->watch);
    if (connection->handling > 0) {
      connection->closing = true;  // the window closed itself in a send: its sender gets the answer
    } else {
      close(connection->fd);
      connection->fd = -1;
    }
  }
  connections_.clear();
  if (listenFd_ >= 0) {
    loop_.Unwatch(listenWatch_);
    close(listenFd_);
    listenFd_ = -1;
  }
}

void BusEndpoint::OnListenerReady() {
  for (int i = 0; i < kAcceptsPerRound && !closed_; ++i) {
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    ucred peer{};
    socklen_t length = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != getuid() || peer.pid <= 0) {
      close(fd);
      continue;
    }
    auto connection = std::make_shared<Connection>();
    connection->fd = fd;
    connection->peerPid = static_cast<uint32_t>(peer.pid);
    std::weak_ptr<BusEndpoint> weak = weak_from_this();
    std::weak_ptr<Connection> weakConnection = connection;
    connection->watch = loop_.Watch(
        fd, kFdReadable,
        [weak, weakConnection](int, uint32_t events) {
          auto self = weak.lock();
          auto c = weakConnection.lock();
          if (self && c) self->OnConnectionReady(c, events);
        },
        true);
    if (connection->watch == 0) {
      close(fd);
      continue;
    }
    connections_[fd] = connection;
  }
}

bool BusEndpoint::IsOpen(const std::shared_ptr<Connection>& connection) const {
  if (closed_) return false;
  auto it = connections_.find(connection->fd);
  return it != connections_.end() && it->second == connection;
}

void BusEndpoint::CloseConnection(const std::shared_ptr<Connection>& connection) {
  auto it = connections_.find(connection->fd);
  if (it == connections_.end() || it->second != connection) return;
  loop_.Unwatch(connection->watch);
  close(connection->fd);
  connection->fd = -1;
  connections_.erase(it);
}

void BusEndpoint::OnConnectionReady(const std::shared_ptr<Connection>& connection, uint32_t) {
  // One frame per readiness: the descriptor stays ready while more wait, so one chatty peer takes
  // its turn with the others and no read is spent finding the socket empty.
  auto self = shared_from_this();  // a handler may destroy the window, and with it this endpoint
  if (!IsOpen(connection)) return;
  FrameHeader header;
  std::string_view data;
  RecvResult r = RecvFrame(connection->fd, buffer_, header, data, MSG_DONTWAIT);
  if (r == RecvResult::kAgain) return;
  if (r == RecvResult::kClosed) {
    CloseConnection(connection);
    return;
  }
  if (r == RecvResult::kBad) {
    if (header.magic == kFrameMagic && (header.kind == FrameKind::kSend || header.kind == FrameKind::kGetTitle)) {
      Reply(connection, header, FrameStatus::kRefused, 0);
    }
    return;
  }
  // The data lives in buffer_, which a nested round may reuse: handle a copy.
  std::string copy(data);
  ++connection->handling;
  HandleFrame(connection, header, copy);
  if (--connection->handling == 0 && connection->closing) {
    close(connection->fd);
    connection->fd = -1;
  }
}

void BusEndpoint::Reply(const std::shared_ptr<Connection>& connection, const FrameHeader& request, FrameStatus status,
                        LResult result, std::string_view data) {
  if (connection->fd < 0) return;
  FrameHeader reply = MakeHeader(FrameKind::kReply, request.message, request.sequence, request.target);
  reply.status = status;
  reply.lParam = result;
  if (connection->closing) reply.extra = kReplyClosesConnection;
  // A sender that gave up no longer reads: a full buffer drops the answer rather than block here.
  if (!SendFrame(connection->fd, reply, data, MSG_DONTWAIT) && errno != EAGAIN && errno != EWOULDBLOCK &&
      !connection->closing) {
    CloseConnection(connection);
  }
}

void BusEndpoint::HandleFrame(const std::shared_ptr<Connection>& connection, const FrameHeader& header,
                              std::string_view data) {
  const bool answers = header.kind == FrameKind::kSend || header.kind == FrameKind::kGetTitle;
  if (header.kind == FrameKind::kReply) return;
  if (header.kind != FrameKind::kPost && !answers) return;
  auto window = window_.lock();
  if (header.target != hwnd_ || !window || window->destroyed.load()) {
    if (answers) Reply(connection, header, FrameStatus::kNoWindow, 0);
    return;
  }
  if (header.kind == FrameKind::kGetTitle) {
    Reply(connection, header, FrameStatus::kOk, 0, Utf16ToUtf8(window->Title()));
    return;
  }

  Msg m;
  m.window = hwnd_;
  m.message = header.message;
  m.wParam = header.wParam;
  m.lParam = header.lParam;
  m.senderProcess = connection->peerPid;
  bool acceptable = true;
  switch (header.message) {
    case WM_COPYDATA: {
      // Sent only, as a block, from a window of the connecting process itself.
      acceptable = header.kind == FrameKind::kSend && header.dataKind == FrameData::kCopyData &&
                   WindowProcessId(header.wParam) == connection->peerPid;
      if (acceptable) {
        auto payload = std::make_unique<CopyDataPayload>(header.extra, std::string(data));
        m.lParam = reinterpret_cast<LParam>(&payload->view());
        m.payload = std::move(payload);
      }
      break;
    }
    case WM_SETTEXT: {
      acceptable = header.kind == FrameKind::kSend && header.dataKind == FrameData::kText;
      if (acceptable) {
        auto payload = std::make_unique<TextPayload>(Utf8ToUtf16(data));
        m.lParam = reinterpret_cast<LParam>(payload->text.c_str());
        m.payload = std::move(payload);
      }
      break;
    }
    case WM_QUIT:
    case kDestroyRequest:
      acceptable = false;  // another process does not end this one's loop or windows
      break;
    default:
      // Numbers only: a pointer from another process means nothing here.
      acceptable = header.dataKind == FrameData::kNone && data.empty();
      break;
  }
  if (!acceptable) {
    if (answers) Reply(connection, header, FrameStatus::kRefused, 0);
    return;
  }

  if (header.kind == FrameKind::kPost) {
    QueuedMsg queued;
    queued.msg = std::move(m);
    queued.target = window;
    loop_.Post(std::move(queued));
    return;
  }
  bool delivered = false;
  LResult result = DispatchToWindow(window, m, &delivered);
  Reply(connection, header, delivered ? FrameStatus::kOk : FrameStatus::kNoWindow, result);
}

}  // namespace qav::detail
