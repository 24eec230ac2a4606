// CQtMessageBox: the message-box handler of the program with a user interface
// (platform/message_box.h). Every box is a real modal box on the GUI thread, captioned as asked;
// a box asked for from another thread is carried to the GUI thread by a synchronous send to a
// hidden window there, so the asking thread waits for the answer while it keeps serving sends
// made to its own loop (two threads that send to each other do not deadlock).
//
// Construct on the GUI thread, on its platform loop, after the QApplication exists; install it
// with SetMessageBoxHandler and remove it before it goes.
#pragma once

#include <thread>

#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/window.h"

class CQtMessageBox : public qav::MessageBoxHandler {
 public:
  explicit CQtMessageBox(qav::MessageLoop& guiLoop);

  int Show(std::u16string_view text, std::u16string_view caption, uint32_t type) override;
  int ShowTimed(std::u16string_view text, std::u16string_view caption, uint32_t type, uint32_t seconds) override;

 private:
  struct Request;
  int ShowOnGuiThread(const Request& request);
  qav::LResult WindowProc(qav::Msg& message);

  std::thread::id m_guiThread;
  qav::Window m_window;
};
