#include "audio/loopback_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qav {
namespace {

// An address as the tables print it, "<hex address>:<hex port>": the address as 32-bit words each
// printed as the number the kernel holds in memory, the port as a number.
bool ParseTableAddress(std::string_view text, sockaddr_in6* out) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view hex = text.substr(0, colon);
  if (hex.size() != 8 && hex.size() != 32) return false;
  uint8_t bytes[16] = {};
  uint8_t* target = bytes;
  if (hex.size() == 8) {  // IPv4: written in its IPv4-mapped form
    bytes[10] = bytes[11] = 0xFF;
    target = bytes + 12;
  }
  for (size_t word = 0; word < hex.size() / 8; ++word) {
    const std::string piece(hex.substr(word * 8, 8));
    char* end = nullptr;
    const uint32_t value = static_cast<uint32_t>(std::strtoul(piece.c_str(), &end, 16));
    if (end != piece.c_str() + 8) return false;
    std::memcpy(target + word * 4, &value, 4);  // the word as it lay in the kernel's memory
  }
  const std::string port(text.substr(colon + 1));
  char* end = nullptr;
  const unsigned long number = std::strtoul(port.c_str(), &end, 16);
  if (port.empty() || *end != '\0' || number > 0xFFFF) return false;
  *out = sockaddr_in6{};
  out->sin6_family = AF_INET6;
  std::memcpy(&out->sin6_addr, bytes, 16);
  out->sin6_port = htons(static_cast<uint16_t>(number));
  return true;
}

bool SameEndpoint(const sockaddr_in6& a, const sockaddr_in6& b) {
  return a.sin6_port == b.sin6_port && std::memcmp(&a.sin6_addr, &b.sin6_addr, 16) == 0;
}

// The socket's address in the IPv6 form the rows are compared in.
bool AsMapped(const sockaddr_storage& address, sockaddr_in6* out) {
  *out = sockaddr_in6{};
  out->sin6_family = AF_INET6;
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&out->sin6_addr);
    bytes[10] = bytes[11] = 0xFF;
    std::memcpy(bytes + 12, &v4.sin_addr, 4);
    out->sin6_port = v4.sin_port;
    return true;
  }
  if (address.ss_family == AF_INET6) {
    *out = reinterpret_cast<const sockaddr_in6&>(address);
    return true;
  }
  return false;
}

std::string ReadAll(const char* path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::optional<uid_t> FindTcpRowOwner(std::string_view table, const sockaddr_in6& local, const sockaddr_in6& remote) {
  size_t start = 0;
  while (start < table.size()) {
    size_t end = table.find('\n', start);
    if (end == std::string_view::npos) end = table.size();
    std::istringstream row{std::string(table.substr(start, end - start))};
    start = end + 1;
    // sl, local_address, rem_address, st, tx_queue:rx_queue, tr:tm->when, retrnsmt, uid, ...
    std::string slot, rowLocal, rowRemote, state, queues, timer, retransmits, uid;
    if (!(row >> slot >> rowLocal >> rowRemote >> state >> queues >> timer >> retransmits >> uid)) continue;
    sockaddr_in6 a{}, b{};
    if (!ParseTableAddress(rowLocal, &a) || !ParseTableAddress(rowRemote, &b)) continue;  // (the heading)
    if (!SameEndpoint(a, local) || !SameEndpoint(b, remote)) continue;
    char* last = nullptr;
    const unsigned long owner = std::strtoul(uid.c_str(), &last, 10);
    if (uid.empty() || *last != '\0') return std::nullopt;
    return static_cast<uid_t>(owner);
  }
  return std::nullopt;
}

std::optional<uid_t> LoopbackPeerOwner(int fd) {
  sockaddr_storage ours{}, theirs{};
  socklen_t ourLength = sizeof ours, theirLength = sizeof theirs;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&ours), &ourLength) != 0 ||
      ::getpeername(fd, reinterpret_cast<sockaddr*>(&theirs), &theirLength) != 0) {
    return std::nullopt;
  }
  sockaddr_in6 local{}, remote{};
  if (!AsMapped(ours, &local) || !AsMapped(theirs, &remote)) return std::nullopt;
  // The peer's row: its local address is our remote one, and the other way round.
  for (const char* path : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    if (std::optional<uid_t> owner = FindTcpRowOwner(ReadAll(path), remote, local)) return owner;
  }
  return std::nullopt;
}

}  // namespace qav
