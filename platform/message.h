// The vocabulary of the message model: handles, message numbers, payloads and the message record
// that window procedures and thread-message handlers receive.
//
// A window handle names a window anywhere on the desktop: the high 32 bits are the id of the
// process that created it, the low 32 bits a serial number that process never hands out twice. So
// a handle that arrives from another process (in wParam of a WM_COPYDATA, say) can be posted or
// sent to like a local one, and a destroyed window's handle never comes back to life.
//
// Payloads: a message can carry one owned object. Whoever posts or sends gives it up; the
// receiver's procedure may read it, or move it out of the message to keep it; when the procedure
// returns, or when the message is never delivered (window destroyed, queue emptied, send failed or
// timed out, loop ended), the payload is destroyed. Nothing that crosses threads is ever leaked or
// freed twice, and no receiver frees a raw pointer by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace qav {

using Hwnd = uint64_t;
using WParam = uint64_t;
using LParam = int64_t;
using LResult = int64_t;

// Posted to every top-level window on the desktop, this process's own included.
inline constexpr Hwnd kHwndBroadcast = 0xFFFF;

// A time-out that never ends.
inline constexpr int kInfinite = -1;

// Messages the platform itself gives a meaning to. Private messages of the program start at
// WM_USER and WM_APP; registered messages (RegisterWindowMessage) lie in
// kFirstRegisteredMessage..kLastRegisteredMessage.
inline constexpr uint32_t WM_NULL = 0x0000;
inline constexpr uint32_t WM_SETTEXT = 0x000C;   // payload TextPayload; DefWindowProc stores it
inline constexpr uint32_t WM_CLOSE = 0x0010;     // DefWindowProc destroys the window
inline constexpr uint32_t WM_QUIT = 0x0012;      // ends MessageLoop::Run, wParam = exit code
inline constexpr uint32_t WM_COPYDATA = 0x004A;  // sent only; wParam = sending window
inline constexpr uint32_t WM_TIMER = 0x0113;     // wParam = timer id
inline constexpr uint32_t WM_USER = 0x0400;
inline constexpr uint32_t WM_APP = 0x8000;
inline constexpr uint32_t kFirstRegisteredMessage = 0xC000;
inline constexpr uint32_t kLastRegisteredMessage = 0xFFFF;

// The longest window class name.
inline constexpr size_t kMaxClassNameLength = 64;

// The largest WM_COPYDATA block or window text that a message carries, local or across processes.
inline constexpr uint32_t kMaxMessageData = 64 * 1024;

// The process that created a window.
inline uint32_t WindowProcessId(Hwnd window) { return static_cast<uint32_t>(window >> 32); }

// Base of every payload; the virtual destructor is what frees it.
class Payload {
 public:
  virtual ~Payload() = default;
};

// Any value as a payload: MakePayload<MyRecord>(args...) and, in the handler, msg.Get<MyRecord>().
template <typename T>
class PayloadOf final : public Payload {
 public:
  template <typename... Args>
  explicit PayloadOf(Args&&... args) : value(std::forward<Args>(args)...) {}
  T value;
};

template <typename T, typename... Args>
std::unique_ptr<Payload> MakePayload(Args&&... args) {
  return std::make_unique<PayloadOf<T>>(std::forward<Args>(args)...);
}

// The block that WM_COPYDATA's lParam points at, as senders and receivers know it.
struct CopyDataStruct {
  uint64_t dwData = 0;
  uint32_t cbData = 0;
  const void* lpData = nullptr;
};

// WM_COPYDATA's payload: the receiver's own copy of the block. lParam points at `view`.
class CopyDataPayload final : public Payload {
 public:
  CopyDataPayload(uint64_t dwData, std::string bytes)
      : bytes_(std::move(bytes)), view_{dwData, static_cast<uint32_t>(bytes_.size()), bytes_.data()} {}
  CopyDataPayload(const CopyDataPayload&) = delete;  // view_ points into bytes_
  CopyDataPayload& operator=(const CopyDataPayload&) = delete;
  const std::string& bytes() const { return bytes_; }
  const CopyDataStruct& view() const { return view_; }

 private:
  std::string bytes_;
  CopyDataStruct view_;
};

// WM_SETTEXT's payload. lParam points at the NUL-terminated text.
class TextPayload final : public Payload {
 public:
  explicit TextPayload(std::u16string text) : text(std::move(text)) {}
  std::u16string text;
};

// One message as a procedure receives it.
struct Msg {
  Hwnd window = 0;  // 0 for a thread message
  uint32_t message = 0;
  WParam wParam = 0;
  LParam lParam = 0;
  std::unique_ptr<Payload> payload;
  uint32_t senderProcess = 0;  // the process that posted or sent it (checked by the bus)

  // The payload as T (a Payload subclass, or a value given to MakePayload<T>); null otherwise.
  template <typename T>
  T* Get() const {
    if constexpr (std::is_base_of_v<Payload, T>) {
      return dynamic_cast<T*>(payload.get());
    } else {
      auto* p = dynamic_cast<PayloadOf<T>*>(payload.get());
      return p ? &p->value : nullptr;
    }
  }
};

// A window procedure: runs on the window's own thread, one message at a time.
using WindowProc = std::function<LResult(Msg&)>;
// Receives the messages posted to a thread rather than to one of its windows.
using ThreadMessageHandler = std::function<void(Msg&)>;

// Id of a thread's message queue, for PostThreadMessage.
using ThreadId = uint32_t;

}  // namespace qav
