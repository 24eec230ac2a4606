// What the dispatcher needs of the application shell: the things that belong to the user
// interface and to the application object, which the folders below app/ cannot reach themselves.
//
// app/ implements it and hands it to the dispatcher at construction; tests hand a recording
// double. The dispatcher calls these on its own thread (RefreshUI also on the GUI thread, from
// Shutdown), never in the middle of a change of the model (docs/model-threading.md).
//
// What needs the GUI thread is queued there and the operation returns: the GUI thread stops the
// dispatcher thread at exit and waits for it, so an operation that waited for the GUI thread could
// hold up the exit for good. Message boxes are shown in the order queued, and CloseMainWindow
// closes the window only after the boxes queued before it have been dismissed (the too-old-client
// box is read before the program ends).
#pragma once

#include <string>
#include <string_view>

class CSkypeMsgHndlHost {
 public:
  enum class MessageBoxIcon { kExclamation, kStop };

  virtual ~CSkypeMsgHndlHost() = default;

  // Queues a message box captioned as the program's boxes are.
  virtual void ShowMessageBox(std::u16string_view text, MessageBoxIcon icon) = 0;
  // The wait cursor while the current user's data loads.
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  // Closes the main window, which shuts the program down, after the boxes queued before.
  virtual void CloseMainWindow() = 0;
  // Opens a web page in the user's browser, maximised.
  virtual void OpenUrl(std::u16string_view url) = 0;
  // Re-localises the main window and rebuilds its pages.
  virtual void RefreshUI() = 0;
  // Load the greeting for contacts and the one for other callers into memory; 1 or 0.
  virtual int LoadGreetingMemFileBuddy() = 0;
  virtual int LoadGreetingMemFileNonBuddy() = 0;
  // Whether the video driver exists, and the capture device name of the webcam application it
  // drives (the program's own device, named also while the driver does not run).
  virtual bool HasVideoDriver() = 0;
  virtual std::u16string GetOwnVideoDeviceName() = 0;
};
