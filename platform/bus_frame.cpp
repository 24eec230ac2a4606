#include "platform/bus_frame.h"

#include <sys/socket.h>
#include <sys/uio.h>

#include <cerrno>
#include <cstring>

namespace qav::detail {

FrameHeader MakeHeader(FrameKind kind, uint32_t message, uint64_t sequence, uint64_t target) {
  FrameHeader h;
  h.magic = kFrameMagic;
  h.version = kFrameVersion;
  h.kind = kind;
  h.message = message;
  h.sequence = sequence;
  h.target = target;
  return h;
}

bool SendFrame(int fd, FrameHeader header, std::string_view data, int flags) {
  if (data.size() > kMaxMessageData) {
    errno = EMSGSIZE;
    return false;
  }
  header.dataLength = static_cast<uint32_t>(data.size());
  iovec parts[2] = {{&header, sizeof header}, {const_cast<char*>(data.data()), data.size()}};
  msghdr m{};
  m.msg_iov = parts;
  m.msg_iovlen = data.empty() ? 1 : 2;
  for (;;) {
    ssize_t n = sendmsg(fd, &m, flags | MSG_NOSIGNAL);
    if (n >= 0) return static_cast<size_t>(n) == sizeof header + data.size();
    if (errno != EINTR) return false;
  }
}

RecvResult RecvFrame(int fd, std::vector<char>& buffer, FrameHeader& header, std::string_view& data, int flags) {
  if (buffer.size() < kMaxFrameSize + 1) buffer.resize(kMaxFrameSize + 1);
  iovec part{buffer.data(), buffer.size()};
  msghdr m{};
  m.msg_iov = &part;
  m.msg_iovlen = 1;
  ssize_t n;
  do {
    n = recvmsg(fd, &m, flags);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK) ? RecvResult::kAgain : RecvResult::kClosed;
  if (n == 0) return RecvResult::kClosed;
  header = FrameHeader{};
  if (static_cast<size_t>(n) < sizeof header) return RecvResult::kBad;
  std::memcpy(&header, buffer.data(), sizeof header);
  if (header.magic != kFrameMagic || header.version != kFrameVersion) {
    header = FrameHeader{};
    return RecvResult::kBad;
  }
  size_t length = static_cast<size_t>(n) - sizeof header;
  if ((m.msg_flags & MSG_TRUNC) || length != header.dataLength || length > kMaxMessageData) return RecvResult::kBad;
  data = std::string_view(buffer.data() + sizeof header, length);
  return RecvResult::kFrame;
}

}  // namespace qav::detail
