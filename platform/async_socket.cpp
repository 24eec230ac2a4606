#include "platform/async_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

namespace qav {

namespace {

bool MakeAddress(const std::string& address, uint16_t port, sockaddr_in* out) {
  *out = sockaddr_in{};
  out->sin_family = AF_INET;
  out->sin_port = htons(port);
  if (address.empty()) {
    out->sin_addr.s_addr = htonl(INADDR_ANY);
    return true;
  }
  return inet_pton(AF_INET, address.c_str(), &out->sin_addr) == 1;
}

}  // namespace

AsyncSocket::~AsyncSocket() { Close(); }

bool AsyncSocket::Fail() {
  lastError_ = errno;
  return false;
}

int AsyncSocket::NewSocket(const std::string& address, uint16_t port, sockaddr_in* addr) {
  if (fd_ >= 0) {
    lastError_ = EISCONN;
    return -1;
  }
  if (!MakeAddress(address, port, addr) || !MessageLoop::Current()) {
    lastError_ = EINVAL;
    return -1;
  }
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) Fail();
  return fd;
}

bool AsyncSocket::Create(uint16_t port, const std::string& address, uint32_t events) {
  sockaddr_in addr;
  const int fd = NewSocket(address, port, &addr);
  if (fd < 0) return false;
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    Fail();
    ::close(fd);
    return false;
  }
  // Not watched until it listens: an unconnected socket reports a hangup at once.
  fd_ = fd;
  events_ = events;
  return true;
}

bool AsyncSocket::Listen(int backlog) {
  if (fd_ < 0 || watch_ != 0) {
    lastError_ = fd_ < 0 ? EBADF : EISCONN;
    return false;
  }
  if (::listen(fd_, backlog) != 0) return Fail();
  const int fd = fd_;
  fd_ = -1;
  return Adopt(fd, events_, true);
}

bool AsyncSocket::Accept(AsyncSocket& connection) {
  if (connection.IsOpen() || !listening_) {
    lastError_ = EISCONN;
    return false;
  }
  const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return Fail();
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);  // 40 ms blocks must not wait for more
  if (!connection.Adopt(fd, 0, false)) {
    lastError_ = connection.lastError_;
    return false;
  }
  return true;
}

bool AsyncSocket::Connect(const std::string& address, uint16_t port, uint32_t events) {
  sockaddr_in addr;
  const int fd = NewSocket(address, port, &addr);
  if (fd < 0) return false;
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 && errno != EINPROGRESS) {
    Fail();
    ::close(fd);
    return false;
  }
  return Adopt(fd, events, false);
}

bool AsyncSocket::Adopt(int fd, uint32_t events, bool listening) {
  MessageLoop* loop = MessageLoop::Current();
  if (!loop) {
    lastError_ = EINVAL;
    ::close(fd);
    return false;
  }
  fd_ = fd;
  loop_ = loop;
  listening_ = listening;
  events_ = events;
  watch_ = loop_->WatchFd(fd_, LoopEvents(), [this](int, uint32_t happened) { OnReady(happened); });
  if (watch_ == 0) {
    lastError_ = EBADF;
    ::close(fd_);
    fd_ = -1;
    loop_ = nullptr;
    return false;
  }
  return true;
}

uint32_t AsyncSocket::LoopEvents() const {
  uint32_t e = 0;
  if (listening_) {
    if (events_ & FD_ACCEPT) e |= kFdReadable;
  } else {
    if (events_ & FD_READ) e |= kFdReadable;
    if (events_ & (FD_WRITE | FD_CONNECT)) e |= kFdWritable;
  }
  return e;
}

bool AsyncSocket::AsyncSelect(uint32_t events) {
  if (fd_ < 0) {
    lastError_ = EBADF;
    return false;
  }
  events_ = events;
  if (!loop_->UpdateFdEvents(watch_, LoopEvents())) {
    lastError_ = EBADF;
    return false;
  }
  return true;
}

void AsyncSocket::OnReady(uint32_t happened) {
  // Each notification may close this socket; look at fd_ again before the next.
  if (listening_) {
    if (happened & kFdReadable) OnAccept(0);
    return;
  }
  if (fd_ >= 0 && (happened & kFdReadable)) OnReceive(0);
  if (fd_ >= 0 && (happened & kFdWritable)) OnSend(0);
  if (fd_ >= 0 && (happened & kFdHangup)) {
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size);
    // A hangup with data still waiting is read first; the end shows then as a Receive of 0.
    if ((events_ & FD_READ) && (happened & kFdReadable)) return;
    if (events_ & FD_CLOSE) {
      OnClose(error);
    } else {
      Close();  // nobody listens for the end: stop the notifications
    }
  }
}

int AsyncSocket::Receive(void* buffer, int length) {
  if (fd_ < 0) {
    lastError_ = EBADF;
    return -1;
  }
  for (;;) {
    const ssize_t n = ::recv(fd_, buffer, static_cast<size_t>(length), 0);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    lastError_ = errno == EAGAIN ? kWouldBlock : errno;
    return -1;
  }
}

int AsyncSocket::Send(const void* data, int length) {
  if (fd_ < 0) {
    lastError_ = EBADF;
    return -1;
  }
  for (;;) {
    const ssize_t n = ::send(fd_, data, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    lastError_ = errno == EAGAIN ? kWouldBlock : errno;
    return -1;
  }
}

bool AsyncSocket::ShutDown() {
  if (fd_ < 0) {
    lastError_ = EBADF;
    return false;
  }
  if (::shutdown(fd_, SHUT_RDWR) != 0) return Fail();
  return true;
}

void AsyncSocket::Close() {
  if (fd_ < 0) return;
  if (loop_ && watch_) loop_->UnwatchFd(watch_);
  ::close(fd_);
  fd_ = -1;
  watch_ = 0;
  loop_ = nullptr;
  listening_ = false;
  events_ = 0;
}

int AsyncSocket::GetLocalPort() const {
  if (fd_ < 0) return 0;
  sockaddr_in addr{};
  socklen_t size = sizeof addr;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &size) != 0) return 0;
  return ntohs(addr.sin_port);
}

}  // namespace qav
