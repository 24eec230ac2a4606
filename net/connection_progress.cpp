#include "net/connection_progress.h"

#include <curl/curl.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>

namespace qav::net {
namespace {

// The bytes of this connection the peer has acknowledged; false when the system does not tell
// (not a TCP socket, or a kernel that does not count them).
bool BytesTakenByPeer(int fd, uint64_t& taken) {
  tcp_info info{};
  socklen_t size = sizeof info;
  if (getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return false;
  if (size < offsetof(tcp_info, tcpi_bytes_acked) + sizeof info.tcpi_bytes_acked) return false;
  taken = info.tcpi_bytes_acked;
  return true;
}

curl_socket_t OnOpenSocket(void* progress, curlsocktype, curl_sockaddr* address) {
  const int fd =
      static_cast<ConnectionProgress*>(progress)->OpenSocket(address->family, address->socktype, address->protocol);
  return fd >= 0 ? fd : CURL_SOCKET_BAD;
}

int OnCloseSocket(void* progress, curl_socket_t fd) { return static_cast<ConnectionProgress*>(progress)->CloseSocket(fd); }

}  // namespace

void ConnectionProgress::Restart() { m_lastMoved = Clock::now(); }

void ConnectionProgress::Moved() { m_lastMoved = Clock::now(); }

int ConnectionProgress::OpenSocket(int family, int type, int protocol) {
  const int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
  if (fd >= 0) {
    m_socket = fd;
    m_taken = 0;
  }
  return fd;
}

int ConnectionProgress::CloseSocket(int fd) {
  if (fd == m_socket) m_socket = -1;
  return ::close(fd);
}

ConnectionProgress::Clock::duration ConnectionProgress::Idle() {
  uint64_t taken = 0;
  if (m_socket >= 0 && BytesTakenByPeer(m_socket, taken) && taken > m_taken) {
    m_taken = taken;
    m_lastMoved = Clock::now();
  }
  return Clock::now() - m_lastMoved;
}

void WatchSocketOf(void* easy, ConnectionProgress& progress) {
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &OnOpenSocket);
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &progress);
  curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &OnCloseSocket);
  curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, &progress);
}

}  // namespace qav::net
