// Windows: handles in a table, each with a procedure that runs on the thread whose loop created it.
//
// The same calls reach a window wherever it lives: on this thread (a send is a direct call), on
// another thread of this process (a send waits for that thread's loop), or in another process on
// the desktop bus (platform/desktop_bus.h). Top-level windows are the ones on the bus: other
// processes find them by class and title, and broadcasts reach them.
//
// Failures are safe: posting or sending to a window that does not exist, or that is destroyed
// before the message is handled, fails and frees the payload; a window's queued messages and timers
// go with it when it is destroyed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/message.h"
#include "platform/message_loop.h"

namespace qav {

enum class WindowKind {
  kLocal,     // reachable from this process only (hidden helper windows, message-only windows)
  kTopLevel,  // also listed on the desktop bus: found by class, reached by other processes
};

// Creates a window on `loop`; must be called on the loop's thread. Class names are identifiers of
// at most kMaxClassNameLength bytes (matched without regard to ASCII case); the title is the
// window's text. Returns 0 on failure (wrong thread, empty or overlong class name, a top-level
// window without a usable desktop directory).
Hwnd CreateWindow(MessageLoop& loop, std::string_view className, std::u16string_view title, WindowKind kind,
                  WindowProc procedure);
// The same on the calling thread's current loop (0 when the thread has none).
Hwnd CreateWindow(std::string_view className, std::u16string_view title, WindowKind kind, WindowProc procedure);

// Destroys a window of this process: no message reaches its procedure afterwards, its timers stop,
// its queued messages are freed and senders still waiting for it fail. From another thread the
// request is carried out on the window's own thread (the caller waits). False when there is no
// such window here.
bool DestroyWindow(Hwnd window);
// True for a live window of this process, or a top-level window of a live process on the bus.
bool IsWindow(Hwnd window);

// Queues a message for the window's thread. WM_COPYDATA cannot be posted. kHwndBroadcast posts to
// every top-level window on the desktop (no payload). A payload can reach windows of this process
// only. False on failure, with the payload freed.
bool PostMessage(Hwnd window, uint32_t message, WParam wParam = 0, LParam lParam = 0,
                 std::unique_ptr<Payload> payload = nullptr);

enum class SendStatus {
  kOk,
  kNoWindow,     // no such window, or destroyed before it handled the message
  kTimedOut,     // the handler did not return in time (it may still run later)
  kPeerGone,     // the window's process ended or dropped the connection
  kRefused,      // the receiver refused the message (forged sender, bad data, too large)
  kUnsupported,  // cannot be carried there (a payload to another process, a broadcast)
};

struct SendOutcome {
  SendStatus status = SendStatus::kNoWindow;
  LResult result = 0;
  bool ok() const { return status == SendStatus::kOk; }
};

// Sends a message and waits for the handler's result. On the window's own thread the procedure is
// called directly; otherwise the calling thread waits, serving sends made to its own loop meanwhile.
// WM_COPYDATA: lParam points at a CopyDataStruct (or the payload is a CopyDataPayload) and the data
// is copied, so the receiver always gets its own copy in a CopyDataPayload; wParam names the
// sending window. WM_SETTEXT: lParam points at NUL-terminated char16_t text (or the payload is a
// TextPayload). With a time-out, other data must travel in the payload, never behind a pointer to
// the caller's stack: the handler may still run after the caller has given up.
SendOutcome SendMessageTimeout(Hwnd window, uint32_t message, WParam wParam, LParam lParam, int timeoutMs,
                               std::unique_ptr<Payload> payload = nullptr);
// Waits without a time-out; returns the handler's result, 0 on failure.
LResult SendMessage(Hwnd window, uint32_t message, WParam wParam = 0, LParam lParam = 0,
                    std::unique_ptr<Payload> payload = nullptr);
// WM_COPYDATA of `bytes` from window `from`, with a time-out.
SendOutcome SendCopyData(Hwnd window, Hwnd from, uint64_t dwData, std::string_view bytes,
                         int timeoutMs = kInfinite);

// Arms (or re-arms: the period restarts from now) timer `id` of a window of this process, from any
// thread; WM_TIMER with wParam = id reaches the procedure every periodMs, on the window's thread,
// timed by its loop's clock. Returns the id, or 0 when there is no such window or the id is 0.
uint64_t SetTimer(Hwnd window, uint64_t id, uint32_t periodMs);
// False when that timer was not armed.
bool KillTimer(Hwnd window, uint64_t id);

// The first top-level window of the class (and of the title, when given) on the desktop, this
// process's own first; 0 when none. Stale entries of ended processes are removed on the way.
Hwnd FindWindow(std::string_view className, std::optional<std::u16string_view> title = std::nullopt);
// Sends WM_SETTEXT (the default procedure stores the text). True when the window took it.
bool SetWindowText(Hwnd window, std::u16string_view text);
// The window's text, read without involving its procedure; nullopt when there is no such window.
std::optional<std::u16string> GetWindowText(Hwnd window);

// What a procedure does with messages it does not handle itself: WM_CLOSE destroys the window,
// WM_SETTEXT stores the text and returns 1; everything else returns 0.
LResult DefWindowProc(Msg& message);

// Owns one window: destroyed with this object.
class Window {
 public:
  Window() = default;
  ~Window() { Destroy(); }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  Window(Window&& other) noexcept : handle_(other.handle_) { other.handle_ = 0; }
  Window& operator=(Window&& other) noexcept;

  bool Create(MessageLoop& loop, std::string_view className, std::u16string_view title, WindowKind kind,
              WindowProc procedure);
  void Destroy();
  Hwnd handle() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }

 private:
  Hwnd handle_ = 0;
};

}  // namespace qav
