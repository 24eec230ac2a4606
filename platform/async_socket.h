// A TCP socket served by the message loop of the thread that creates it, in the manner of the
// class library's asynchronous socket: non-blocking calls, and notifications (a connection to
// accept, data to read, room to write, the connection ended) delivered as virtual calls on that
// thread. The audio thread's loopback link is built on it.
//
// Notifications are level-triggered: while a socket asks for FD_READ and data waits, OnReceive is
// called on every round of the loop, and likewise OnSend while it asks for FD_WRITE and there is
// room. A user therefore asks for FD_WRITE only while it has something to send, and drops FD_READ
// while it has nowhere to put data (the data then waits in the socket). OnClose comes when the
// connection is reset or both directions are shut; a peer that closes gracefully shows as a
// Receive of 0 bytes.
//
// Sends never raise SIGPIPE (MSG_NOSIGNAL): writing to a connection the peer has closed fails with
// EPIPE instead of ending the program. Errors are errno values; kWouldBlock means "try again on the
// next notification".
//
// Threading: a socket belongs to the thread whose current loop it was created on; every call and
// every notification happens there.
#pragma once

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/message_loop.h"

struct sockaddr_in;

namespace qav {

// Notification bits for Create and AsyncSelect.
inline constexpr uint32_t FD_READ = 0x01;
inline constexpr uint32_t FD_WRITE = 0x02;
inline constexpr uint32_t FD_OOB = 0x04;  // accepted and ignored: the link carries no urgent data
inline constexpr uint32_t FD_ACCEPT = 0x08;
inline constexpr uint32_t FD_CONNECT = 0x10;
inline constexpr uint32_t FD_CLOSE = 0x20;
inline constexpr uint32_t FD_ALL_EVENTS = 0x3F;

inline constexpr int kWouldBlock = EWOULDBLOCK;

class AsyncSocket {
 public:
  AsyncSocket() = default;
  virtual ~AsyncSocket();
  AsyncSocket(const AsyncSocket&) = delete;
  AsyncSocket& operator=(const AsyncSocket&) = delete;

  // A stream socket bound to `address` (dotted IPv4; empty binds every local address) and `port`
  // (0: one the system chooses), served on the calling thread's loop for `events`. False with
  // LastError() when the socket cannot be made, bound or watched.
  bool Create(uint16_t port, const std::string& address, uint32_t events);
  bool Listen(int backlog);
  // Takes one pending connection into `connection` (which must not be open), on the same loop.
  bool Accept(AsyncSocket& connection);
  // Changes the notifications asked for.
  bool AsyncSelect(uint32_t events);
  // Connects to address:port without waiting (for peers and tests); the connection is ready when
  // OnSend is first called. False with LastError() on an immediate failure.
  bool Connect(const std::string& address, uint16_t port, uint32_t events);

  // Bytes received (> 0), 0 when the peer has closed, -1 on an error (LastError(); kWouldBlock
  // when nothing is waiting).
  int Receive(void* buffer, int length);
  // Bytes sent (>= 0), -1 on an error (LastError(); kWouldBlock when there is no room).
  int Send(const void* data, int length);
  // Shuts both directions down.
  bool ShutDown();
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  // The descriptor, for the system calls this class does not wrap (-1 when closed).
  int Handle() const { return fd_; }
  // The bound local port, 0 when not bound.
  int GetLocalPort() const;
  int LastError() const { return lastError_; }
  uint32_t SelectedEvents() const { return events_; }

 protected:
  virtual void OnAccept(int /*error*/) {}
  virtual void OnReceive(int /*error*/) {}
  virtual void OnSend(int /*error*/) {}
  virtual void OnClose(int /*error*/) {}

 private:
  // A new non-blocking socket for address:port (not yet bound or connected); -1 with LastError().
  int NewSocket(const std::string& address, uint16_t port, sockaddr_in* addr);
  bool Adopt(int fd, uint32_t events, bool listening);
  void OnReady(uint32_t fdEvents);
  uint32_t LoopEvents() const;
  bool Fail();

  int fd_ = -1;
  MessageLoop* loop_ = nullptr;
  WatchId watch_ = 0;
  uint32_t events_ = 0;
  bool listening_ = false;
  int lastError_ = 0;
};

}  // namespace qav
