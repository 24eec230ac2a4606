// Message boxes that must be shown on the GUI thread, asked for from any thread.
//
// A toolkit shows its modal boxes on the GUI thread only. GuiThreadMessageBox wraps the handler
// that shows them there (`shower`) and keeps this rule:
//   - On the GUI thread (the thread that constructed it) the box is shown at once, modal, and Show
//     returns the button chosen.
//   - From any other thread the box is handed to the GUI thread (posted to a hidden window on its
//     loop, shown when the loop next serves, also from inside a modal loop), and Show returns the
//     box's default answer at once. The asking thread never waits for the GUI thread: the GUI
//     thread may itself be joining that thread, or waiting on it (an event, a request), and a
//     wait for the user's answer would then never end. A thread that needs the user's choice asks
//     on the GUI thread (it posts its question there and takes the answer back as a message).
//   - A box still queued when this object (or the GUI loop) ends is dropped unseen.
#pragma once

#include <cstdint>
#include <string_view>
#include <thread>

#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/window.h"

namespace qav {

class GuiThreadMessageBox : public MessageBoxHandler {
 public:
  // On the GUI thread, whose loop is given. `shower` shows a box on that thread; it must outlive
  // this object.
  GuiThreadMessageBox(MessageLoop& guiLoop, MessageBoxHandler& shower);

  int Show(std::u16string_view text, std::u16string_view caption, uint32_t type) override;
  int ShowTimed(std::u16string_view text, std::u16string_view caption, uint32_t type, uint32_t seconds) override;

  bool OnGuiThread() const { return std::this_thread::get_id() == guiThread_; }

 private:
  struct Request;
  int Hand(Request request);
  LResult WindowProc(Msg& message);

  MessageBoxHandler& shower_;
  const std::thread::id guiThread_;
  Window window_;
  Hwnd windowHandle_ = 0;  // read by other threads; never reused, so a post after the end just fails
};

}  // namespace qav
