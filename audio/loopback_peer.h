// Who is on the other end of a loopback TCP connection. Both ends of a connection on this machine
// are listed in /proc/net/tcp (or tcp6, for a peer on an IPv6 socket) with the user that owns
// each; the peer's row is the one whose local address is the connection's remote one and whose
// remote address is its local one.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string_view>

struct sockaddr_in6;

namespace qav {

// The user owning the other end of the connected socket `fd`; nullopt when it cannot be told (the
// peer has gone, the tables cannot be read).
std::optional<uid_t> LoopbackPeerOwner(int fd);

// In the text of a /proc/net/tcp or tcp6 table: the owner of the row whose local and remote
// addresses are these (IPv4 addresses given in their IPv4-mapped IPv6 form match rows of either
// table).
std::optional<uid_t> FindTcpRowOwner(std::string_view table, const sockaddr_in6& local, const sockaddr_in6& remote);

}  // namespace qav
