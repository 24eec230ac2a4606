// Whether a connection is still moving, seen from the sending side.
//
// What the sender writes lands in the system's buffers first (several megabytes on a fast local
// link), so "libcurl wrote nothing for a while" says nothing about the line: the peer may still be
// reading what was written long ago. The measure is what the peer has taken: the bytes it has
// acknowledged, which the system counts for every TCP connection. Beside that, the caller reports
// what it sees move itself (a reply line, a piece of the reply).
//
// Threading: one object on one thread.
#pragma once

#include <chrono>
#include <cstdint>

namespace qav::net {

class ConnectionProgress {
 public:
  using Clock = std::chrono::steady_clock;

  // Counts idle time from now: time spent outside the exchange is not the peer's.
  void Restart();
  // Something moved now.
  void Moved();
  // Makes the connection's socket (the values libcurl's open-socket callback hands over; close on
  // exec) and watches it; -1 when it cannot be made.
  int OpenSocket(int family, int type, int protocol);
  // Closes a socket; when it is the one watched, nothing is watched any more.
  int CloseSocket(int fd);
  int Socket() const { return m_socket; }
  // Looks at the peer's count of acknowledged bytes (a rise counts as movement) and gives the time
  // since anything last moved.
  Clock::duration Idle();

 private:
  Clock::time_point m_lastMoved = Clock::now();
  int m_socket = -1;
  uint64_t m_taken = 0;
};

// Has libcurl make and close the socket of `easy` (a libcurl easy handle, kept out of this header
// as the net folder's other headers keep it) through `progress`, so that it is watched; `progress`
// must outlive the transfer.
void WatchSocketOf(void* easy, ConnectionProgress& progress);

}  // namespace qav::net
