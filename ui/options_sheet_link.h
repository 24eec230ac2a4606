// What the options page and its option children need of the property sheet and the program around
// it. The sheet implements it; tests give a fake. GUI thread only.
#pragma once

#include <string>

class COptionsSheetLink {
 public:
  virtual ~COptionsSheetLink() = default;
  // Marks the options page modified (Apply becomes available) or not (nothing left to apply).
  virtual void SetModified(bool modified) = 0;
  virtual bool IsModified() const = 0;
  // The tray icon shows the answering state anew (the main window's tray timer, at once).
  virtual void RefreshTrayIcon() = 0;
  // Sends a chat text to a contact through the call-client link, queued with acknowledgement.
  virtual void SendChatMessage(const std::u16string& handle, const std::u16string& text) = 0;
};
