// The sending end of the desktop bus: posts, sends, title queries and searches for windows of
// other processes. Internal to platform/; the public calls are in platform/window.h.
//
// Each thread keeps its own connection to each window it talks to, so a reply always returns to
// the thread that waits for it and no lock is held while waiting. A thread that waits for a reply
// also serves the sends made to its own loop (and to its top-level windows), so processes that send
// to each other do not deadlock. A connection that fails means the peer ended or dropped the
// window: every send waiting on it fails at once and the window's stale socket is removed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/message.h"
#include "platform/window.h"

namespace qav::detail {

bool BusPost(Hwnd window, const Msg& message);
SendOutcome BusSend(Hwnd window, const Msg& message, int timeoutMs);
std::optional<std::u16string> BusGetTitle(Hwnd window);
bool BusIsAlive(Hwnd window);
// Posts to every top-level window of the other processes on the desktop.
void BusBroadcast(uint32_t message, WParam wParam, LParam lParam);
// The first live top-level window of another process with that class (and title).
Hwnd BusFindWindow(std::string_view className, std::optional<std::u16string_view> title);

}  // namespace qav::detail
