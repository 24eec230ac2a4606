// CQtMessageBox: the message-box handler of the program with a user interface
// (platform/message_box.h). Every box is a real modal box on the GUI thread, captioned as asked;
// a box asked for from another thread is handed to the GUI thread by platform/gui_thread_message_box.h
// and its default answer returned at once, so the asking thread never waits for a GUI thread that
// may be joining it or waiting on it.
//
// Construct on the GUI thread, on its platform loop, after the QApplication exists; install it
// with SetMessageBoxHandler and remove it before it goes.
#pragma once

#include "platform/gui_thread_message_box.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"

class CQtMessageBox : public qav::MessageBoxHandler {
 public:
  explicit CQtMessageBox(qav::MessageLoop& guiLoop);

  int Show(std::u16string_view text, std::u16string_view caption, uint32_t type) override;
  int ShowTimed(std::u16string_view text, std::u16string_view caption, uint32_t type, uint32_t seconds) override;

 private:
  struct Request;
  int ShowOnGuiThread(const Request& request);

  // Shows on the GUI thread through this object; hands boxes from other threads over to it.
  qav::GuiThreadMessageBox m_handOff;
};
