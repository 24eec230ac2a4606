// The receiving end of a top-level window on the desktop bus: its listening socket and the
// connections other processes open to it, served by the window's own loop (also while that loop's
// thread waits in a send). Internal to platform/.
//
// The receiver trusts nothing on the wire. Every connection's peer is identified by the kernel
// (SO_PEERCRED): another user is turned away, and a WM_COPYDATA whose wParam names a window that
// does not belong to the connecting process is refused, so no process can speak as another
// process's window. Malformed frames are dropped and a send among them is answered "refused".
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bus_frame.h"
#include "platform/loop_internal.h"

namespace qav::detail {

class BusEndpoint : public std::enable_shared_from_this<BusEndpoint> {
 public:
  // Binds the window's socket in the desktop directory and starts serving it on `loop` (the
  // caller's own loop). Null on failure.
  static std::shared_ptr<BusEndpoint> Open(LoopCore& loop, const std::shared_ptr<WindowEntry>& window);
  ~BusEndpoint();
  BusEndpoint(const BusEndpoint&) = delete;
  BusEndpoint& operator=(const BusEndpoint&) = delete;

  // Stops serving, closes every connection and removes the socket file. Owner thread.
  void Close();

 private:
  struct Connection {
    int fd = -1;
    WatchId watch = 0;
    uint32_t peerPid = 0;
    int handling = 0;      // frames of this connection being handled (nested rounds count)
    bool closing = false;  // closed by Close() while handling: answer first, then close
  };

  BusEndpoint(LoopCore& loop, const std::shared_ptr<WindowEntry>& window);
  void OnListenerReady();
  void OnConnectionReady(const std::shared_ptr<Connection>& connection, uint32_t events);
  void HandleFrame(const std::shared_ptr<Connection>& connection, const FrameHeader& header, std::string_view data);
  void Reply(const std::shared_ptr<Connection>& connection, const FrameHeader& request, FrameStatus status,
             LResult result, std::string_view data = {});
  bool IsOpen(const std::shared_ptr<Connection>& connection) const;
  void CloseConnection(const std::shared_ptr<Connection>& connection);

  LoopCore& loop_;
  std::weak_ptr<WindowEntry> window_;
  Hwnd hwnd_ = 0;
  std::string dir_;
  std::string name_;
  int listenFd_ = -1;
  WatchId listenWatch_ = 0;
  std::map<int, std::shared_ptr<Connection>> connections_;
  std::vector<char> buffer_;
  bool closed_ = false;
};

}  // namespace qav::detail
