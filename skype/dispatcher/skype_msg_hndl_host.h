// What the dispatcher needs of the application shell: the things that belong to the user
// interface and to the application object, which the folders below app/ cannot reach themselves.
//
// app/ implements it and hands it to the dispatcher at construction; tests hand a recording
// double. The dispatcher calls these on its own thread (at shut-down on the GUI thread), never
// while it holds a hand-over to the GUI thread, so an operation may block until it is done on the
// GUI thread, a modal message box included (docs/model-threading.md).
#pragma once

#include <string>
#include <string_view>

class CSkypeMsgHndlHost {
 public:
  enum class MessageBoxIcon { kExclamation, kStop };

  virtual ~CSkypeMsgHndlHost() = default;

  // Shows a message box captioned as the program's boxes are; returns when it is dismissed.
  virtual void ShowMessageBox(std::u16string_view text, MessageBoxIcon icon) = 0;
  // The wait cursor while the current user's data loads.
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  // Closes the main window, which shuts the program down.
  virtual void CloseMainWindow() = 0;
  // Opens a web page in the user's browser, maximised.
  virtual void OpenUrl(std::u16string_view url) = 0;
  // Re-localises the main window and rebuilds its pages.
  virtual void RefreshUI() = 0;
  // Load the greeting for contacts and the one for other callers into memory; 1 or 0.
  virtual int LoadGreetingMemFileBuddy() = 0;
  virtual int LoadGreetingMemFileNonBuddy() = 0;
  // Whether the video driver exists, and the capture device name of the webcam application it
  // drives ("" without one).
  virtual bool HasVideoDriver() = 0;
  virtual std::u16string GetOwnVideoDeviceName() = 0;
};
