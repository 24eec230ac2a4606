// CQtUserInterface: the user interface as the program's main puts it in place.
//
// When a display exists, main creates it before the application object starts: it makes the
// QApplication (which does not quit when its last window closes, since the program lives in the
// tray), installs the message-box handler that shows real boxes, and fills the application's
// components with the parts the user interface gives: the loop runner that lets Qt's loop drive
// the GUI thread's platform loop, the image lists and the tray host. Without a display main does
// none of this and the program runs headless, as the switches that only talk to a running copy
// always can. GUI thread only; it outlives the application object.
#pragma once

#include <memory>

#include "app/app_components.h"
#include "platform/message_loop.h"

class QApplication;
class CQtMessageBox;

class CQtUserInterface {
 public:
  // True when Qt has somewhere to show windows: QT_QPA_PLATFORM, DISPLAY or WAYLAND_DISPLAY is set.
  static bool DisplayAvailable();

  CQtUserInterface(int& argc, char** argv, qav::MessageLoop& guiLoop);
  ~CQtUserInterface();
  CQtUserInterface(const CQtUserInterface&) = delete;
  CQtUserInterface& operator=(const CQtUserInterface&) = delete;

  // Gives the components the user interface's loop runner, image lists, tray host, property sheet
  // and report dialog.
  void Install(CAppComponents& components);

 private:
  qav::MessageLoop& m_guiLoop;
  std::unique_ptr<QApplication> m_application;
  std::unique_ptr<CQtMessageBox> m_messageBox;
};
