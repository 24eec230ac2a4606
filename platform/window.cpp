#include "platform/window.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <unordered_map>

#include "platform/bus_client.h"
#include "platform/bus_endpoint.h"
#include "platform/desktop_directory.h"
#include "platform/loop_internal.h"
#include "platform/text.h"

namespace qav {

using detail::LoopCore;
using detail::SendRecord;
using detail::WindowEntry;

namespace {

std::mutex g_tableMutex;
std::unordered_map<Hwnd, std::shared_ptr<WindowEntry>>& Table() {
  static auto* table = new std::unordered_map<Hwnd, std::shared_ptr<WindowEntry>>();
  return *table;
}
std::atomic<uint32_t> g_nextSerial{1};

using detail::OwnProcessId;
bool IsLocalHandle(Hwnd window) { return WindowProcessId(window) == OwnProcessId(); }

// Gives WM_COPYDATA and WM_SETTEXT their owned copy of the data, so the receiver never reads the
// sender's memory (another thread's stack, or nothing at all in another process).
bool MarshalData(Msg& m) {
  if (m.message == WM_COPYDATA) {
    if (!m.Get<CopyDataPayload>()) {
      if (m.payload || m.lParam == 0) return false;
      const auto* cds = reinterpret_cast<const CopyDataStruct*>(m.lParam);
      if (cds->cbData > kMaxMessageData || (cds->cbData > 0 && !cds->lpData)) return false;
      std::string bytes(static_cast<const char*>(cds->lpData), cds->cbData);
      m.payload = std::make_unique<CopyDataPayload>(cds->dwData, std::move(bytes));
    }
    if (m.Get<CopyDataPayload>()->bytes().size() > kMaxMessageData) return false;
    m.lParam = reinterpret_cast<LParam>(&m.Get<CopyDataPayload>()->view());
  } else if (m.message == WM_SETTEXT) {
    if (!m.Get<TextPayload>()) {
      if (m.payload) return false;
      std::u16string text;
      if (m.lParam != 0) {
        const auto* p = reinterpret_cast<const char16_t*>(m.lParam);
        while (*p && text.size() <= kMaxMessageData) text.push_back(*p++);
      }
      m.payload = std::make_unique<TextPayload>(std::move(text));
    }
    if (m.Get<TextPayload>()->text.size() > kMaxMessageData) return false;
    m.lParam = reinterpret_cast<LParam>(m.Get<TextPayload>()->text.c_str());
  }
  return true;
}

Msg MakeMsg(Hwnd window, uint32_t message, WParam wParam, LParam lParam, std::unique_ptr<Payload> payload) {
  Msg m;
  m.window = window;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.payload = std::move(payload);
  m.senderProcess = OwnProcessId();
  return m;
}

SendOutcome WaitForRecord(const std::shared_ptr<SendRecord>& record, int timeoutMs) {
  using Steady = std::chrono::steady_clock;
  const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  auto remainingMs = [&]() -> int {
    if (timeoutMs == kInfinite) return kInfinite;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Steady::now()).count();
    return static_cast<int>(std::max<int64_t>(0, left));
  };
  bool timedOut = false;
  if (LoopCore* mine = record->waiterLoop.get()) {
    while (!record->Finished()) {
      int wait = remainingMs();
      if (wait == 0) {
        timedOut = true;
        break;
      }
      mine->ServeSendSources(wait);
    }
    // Give back a wake the wait consumed.
    mine->EndSendWait();
  } else {
    std::unique_lock lock(record->mutex);
    if (timeoutMs == kInfinite) {
      record->cv.wait(lock, [&] { return record->Finished(); });
    } else {
      timedOut = !record->cv.wait_until(lock, deadline, [&] { return record->Finished(); });
    }
  }
  if (timedOut && !record->Finished()) {
    int expected = SendRecord::kQueued;
    record->state.compare_exchange_strong(expected, SendRecord::kCancelled);
    return {SendStatus::kTimedOut, 0};
  }
  if (record->state.load(std::memory_order_acquire) == SendRecord::kDone) return {SendStatus::kOk, record->result};
  return {SendStatus::kNoWindow, 0};
}

}  // namespace

namespace detail {

std::shared_ptr<WindowEntry> FindWindowEntry(Hwnd window) {
  std::lock_guard lock(g_tableMutex);
  auto it = Table().find(window);
  return it == Table().end() ? nullptr : it->second;
}

LResult DispatchToWindow(const std::shared_ptr<WindowEntry>& window, Msg& message, bool* delivered) {
  if (!window || window->destroyed.load(std::memory_order_acquire)) {
    *delivered = false;
    return 0;
  }
  *delivered = true;
  if (message.message == kDestroyRequest) {
    DestroyWindowEntry(window);
    return 1;
  }
  return window->proc ? window->proc(message) : DefWindowProc(message);
}

void DestroyWindowEntry(const std::shared_ptr<WindowEntry>& window) {
  if (window->destroyed.exchange(true)) return;
  {
    std::lock_guard lock(g_tableMutex);
    Table().erase(window->hwnd);
  }
  if (auto core = window->loop.lock()) core->ForgetWindow(window->hwnd);
  if (window->endpoint) {
    window->endpoint->Close();
    window->endpoint.reset();
  }
}

std::vector<std::shared_ptr<WindowEntry>> LocalTopLevelWindows() {
  std::vector<std::shared_ptr<WindowEntry>> result;
  {
    std::lock_guard lock(g_tableMutex);
    for (const auto& [hwnd, entry] : Table()) {
      if (entry->topLevel) result.push_back(entry);
    }
  }
  std::sort(result.begin(), result.end(), [](const auto& a, const auto& b) { return a->hwnd < b->hwnd; });
  return result;
}

}  // namespace detail

Hwnd CreateWindow(MessageLoop& loop, std::string_view className, std::u16string_view title, WindowKind kind,
                  WindowProc procedure) {
  LoopCore& core = loop.core();
  if (!core.IsOwnerThread() || className.empty() || className.size() > kMaxClassNameLength) return 0;
  auto entry = std::make_shared<WindowEntry>();
  entry->hwnd = (static_cast<Hwnd>(OwnProcessId()) << 32) | g_nextSerial.fetch_add(1);
  entry->className = std::string(className);
  entry->topLevel = kind == WindowKind::kTopLevel;
  entry->loop = core.shared_from_this();
  entry->proc = std::move(procedure);
  entry->title = std::u16string(title);
  if (entry->topLevel) {
    entry->endpoint = detail::BusEndpoint::Open(core, entry);
    if (!entry->endpoint) return 0;
  }
  core.AddWindow(entry);  // first, so whoever finds the window can reach it
  {
    std::lock_guard lock(g_tableMutex);
    Table()[entry->hwnd] = entry;
  }
  return entry->hwnd;
}

Hwnd CreateWindow(std::string_view className, std::u16string_view title, WindowKind kind, WindowProc procedure) {
  MessageLoop* loop = MessageLoop::Current();
  return loop ? CreateWindow(*loop, className, title, kind, std::move(procedure)) : 0;
}

bool DestroyWindow(Hwnd window) {
  auto entry = detail::FindWindowEntry(window);
  if (!entry) return false;
  auto core = entry->loop.lock();
  if (core && !core->IsOwnerThread()) {
    SendOutcome outcome = SendMessageTimeout(window, detail::kDestroyRequest, 0, 0, kInfinite);
    if (outcome.ok()) return true;
    // The loop ended meanwhile: no procedure can run any more, so destroy it from here.
    if (!detail::FindWindowEntry(window)) return false;
  }
  detail::DestroyWindowEntry(entry);
  return true;
}

bool IsWindow(Hwnd window) {
  if (window == 0 || window == kHwndBroadcast) return false;
  if (IsLocalHandle(window)) return detail::FindWindowEntry(window) != nullptr;
  return detail::BusIsAlive(window);
}

bool PostMessage(Hwnd window, uint32_t message, WParam wParam, LParam lParam, std::unique_ptr<Payload> payload) {
  if (message == WM_COPYDATA || message == detail::kDestroyRequest) return false;
  Msg m = MakeMsg(window, message, wParam, lParam, std::move(payload));
  if (window == kHwndBroadcast) {
    if (m.payload) return false;
    for (const auto& entry : detail::LocalTopLevelWindows()) {
      if (auto core = entry->loop.lock()) {
        core->Post(detail::QueuedMsg{MakeMsg(entry->hwnd, message, wParam, lParam, nullptr), entry});
      }
    }
    detail::BusBroadcast(message, wParam, lParam);
    return true;
  }
  if (!IsLocalHandle(window)) return !m.payload && detail::BusPost(window, m);
  auto entry = detail::FindWindowEntry(window);
  if (!entry) return false;
  auto core = entry->loop.lock();
  if (!core) return false;
  detail::QueuedMsg queued;
  queued.msg = std::move(m);
  queued.target = std::move(entry);
  return core->Post(std::move(queued));
}

SendOutcome SendMessageTimeout(Hwnd window, uint32_t message, WParam wParam, LParam lParam, int timeoutMs,
                               std::unique_ptr<Payload> payload) {
  if (window == kHwndBroadcast) return {SendStatus::kUnsupported, 0};
  Msg m = MakeMsg(window, message, wParam, lParam, std::move(payload));
  if (!MarshalData(m)) return {SendStatus::kRefused, 0};
  if (!IsLocalHandle(window)) {
    if (message == detail::kDestroyRequest) return {SendStatus::kUnsupported, 0};
    return detail::BusSend(window, m, timeoutMs);
  }
  auto entry = detail::FindWindowEntry(window);
  if (!entry) return {SendStatus::kNoWindow, 0};
  auto core = entry->loop.lock();
  if (!core) return {SendStatus::kNoWindow, 0};
  if (core->IsOwnerThread()) {
    bool delivered = false;
    LResult result = detail::DispatchToWindow(entry, m, &delivered);
    return delivered ? SendOutcome{SendStatus::kOk, result} : SendOutcome{SendStatus::kNoWindow, 0};
  }
  auto record = std::make_shared<SendRecord>();
  record->msg = std::move(m);
  record->target = std::move(entry);
  record->waiterLoop = detail::CurrentLoopCore();
  if (!core->QueueSend(record)) return {SendStatus::kNoWindow, 0};
  return WaitForRecord(record, timeoutMs);
}

LResult SendMessage(Hwnd window, uint32_t message, WParam wParam, LParam lParam, std::unique_ptr<Payload> payload) {
  return SendMessageTimeout(window, message, wParam, lParam, kInfinite, std::move(payload)).result;
}

SendOutcome SendCopyData(Hwnd window, Hwnd from, uint64_t dwData, std::string_view bytes, int timeoutMs) {
  if (bytes.size() > kMaxMessageData) return {SendStatus::kRefused, 0};
  return SendMessageTimeout(window, WM_COPYDATA, from, 0, timeoutMs,
                            std::make_unique<CopyDataPayload>(dwData, std::string(bytes)));
}

uint64_t SetTimer(Hwnd window, uint64_t id, uint32_t periodMs) {
  if (id == 0 || !IsLocalHandle(window)) return 0;
  auto entry = detail::FindWindowEntry(window);
  if (!entry) return 0;
  auto core = entry->loop.lock();
  if (!core || !core->SetTimer(entry, id, periodMs)) return 0;
  return id;
}

bool KillTimer(Hwnd window, uint64_t id) {
  if (!IsLocalHandle(window)) return false;
  auto entry = detail::FindWindowEntry(window);
  if (!entry) return false;
  auto core = entry->loop.lock();
  return core && core->KillTimer(window, id);
}

Hwnd FindWindow(std::string_view className, std::optional<std::u16string_view> title) {
  for (const auto& entry : detail::LocalTopLevelWindows()) {
    if (EqualsNoCase(entry->className, className) && (!title || entry->Title() == *title)) return entry->hwnd;
  }
  return detail::BusFindWindow(className, title);
}

bool SetWindowText(Hwnd window, std::u16string_view text) {
  if (text.size() > kMaxMessageData) return false;
  SendOutcome outcome = SendMessageTimeout(window, WM_SETTEXT, 0, 0, kInfinite,
                                           std::make_unique<TextPayload>(std::u16string(text)));
  return outcome.ok() && outcome.result != 0;
}

std::optional<std::u16string> GetWindowText(Hwnd window) {
  if (!IsLocalHandle(window)) return detail::BusGetTitle(window);
  auto entry = detail::FindWindowEntry(window);
  if (!entry) return std::nullopt;
  return entry->Title();
}

LResult DefWindowProc(Msg& message) {
  switch (message.message) {
    case WM_CLOSE:
      DestroyWindow(message.window);
      return 0;
    case WM_SETTEXT:
      if (auto* text = message.Get<TextPayload>()) {
        if (auto entry = detail::FindWindowEntry(message.window)) {
          entry->SetTitle(text->text);
          return 1;
        }
      }
      return 0;
    default:
      return 0;
  }
}

Window& Window::operator=(Window&& other) noexcept {
  if (this != &other) {
    Destroy();
    handle_ = other.handle_;
    other.handle_ = 0;
  }
  return *this;
}

bool Window::Create(MessageLoop& loop, std::string_view className, std::u16string_view title, WindowKind kind,
                    WindowProc procedure) {
  Destroy();
  handle_ = CreateWindow(loop, className, title, kind, std::move(procedure));
  return handle_ != 0;
}

void Window::Destroy() {
  if (handle_) DestroyWindow(handle_);
  handle_ = 0;
}

}  // namespace qav
