// One message on the desktop bus: a fixed header and up to kMaxMessageData bytes of data, sent as
// one SOCK_SEQPACKET packet so that a frame is never split or merged. Both ends run on the same
// machine, so the header travels in the machine's own byte order. Internal to platform/.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/message.h"

namespace qav::detail {

enum class FrameKind : uint8_t {
  kPost = 1,      // queue the message; no answer
  kSend = 2,      // run the procedure and answer with kReply
  kReply = 3,     // status and result of a kSend or kGetTitle, same sequence number
  kGetTitle = 4,  // answer with the window's text (UTF-8) as data
};

enum class FrameStatus : uint8_t { kOk = 0, kNoWindow = 1, kRefused = 2 };

enum class FrameData : uint8_t { kNone = 0, kCopyData = 1, kText = 2 };

struct FrameHeader {
  uint32_t magic = 0;
  uint8_t version = 0;
  FrameKind kind = FrameKind::kPost;
  FrameStatus status = FrameStatus::kOk;
  FrameData dataKind = FrameData::kNone;
  uint32_t message = 0;
  uint32_t dataLength = 0;
  uint64_t sequence = 0;
  uint64_t target = 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;  // the result in a reply
  uint64_t extra = 0;  // dwData of WM_COPYDATA; in a reply, kReplyClosesConnection or 0
};
static_assert(sizeof(FrameHeader) == 56);

inline constexpr uint32_t kFrameMagic = 0x42564151;  // "QAVB"
inline constexpr uint8_t kFrameVersion = 1;
// Set in a reply when the window was destroyed by that very message: the sender gets its answer,
// then the connection closes.
inline constexpr uint64_t kReplyClosesConnection = 1;

inline constexpr size_t kMaxFrameSize = sizeof(FrameHeader) + kMaxMessageData;

FrameHeader MakeHeader(FrameKind kind, uint32_t message, uint64_t sequence, uint64_t target);

// Sends header and data as one packet; errno is kept on failure.
bool SendFrame(int fd, FrameHeader header, std::string_view data, int flags);

enum class RecvResult {
  kFrame,   // header and data are valid
  kAgain,   // nothing to read now
  kClosed,  // the peer closed the connection, or it failed
  kBad,     // a malformed frame was dropped; `header` holds its first bytes when they are whole
};
// Reads one frame into `buffer`; `data` points into the buffer.
RecvResult RecvFrame(int fd, std::vector<char>& buffer, FrameHeader& header, std::string_view& data, int flags);

}  // namespace qav::detail
