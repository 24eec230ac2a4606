// CSheetServices: what the property sheet needs of the rest of the program: the current user for
// its caption, the settings it saves or reloads, the greetings it rebuilds after a reload, and the
// hidden main window. CAppSheetServices gives the program's own; tests give their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/web_links.h"

class CConversation;
class CMessage;

class CSheetServices {
 public:
  virtual ~CSheetServices() = default;
  // The call client's current user handle, "" when none is known.
  virtual std::u16string CurrentUserHandle() = 0;
  // Whether a user is signed in to the call client (the recordings pages show nothing without).
  bool SignedIn() { return !CurrentUserHandle().empty(); }
  virtual void SaveSettings() = 0;
  virtual void LoadSettings() = 0;
  // The greeting file for contacts (buddy) or for other callers, as the settings hold it now.
  virtual std::u16string GreetingPath(bool buddy) = 0;
  // Rebuilds that greeting in memory; false when it cannot be loaded.
  virtual bool ReloadGreeting(bool buddy) = 0;
  // An error box captioned with the program's name.
  virtual void ShowError(const std::u16string& text) = 0;
  virtual void PostMainWindow(uint32_t message, uint64_t wParam, int64_t lParam) = 0;
  // Opens a web address (http or https) in the default browser.
  virtual void OpenUrl(const std::u16string& url) = 0;
  // Opens one of the program's own files or folders (an absolute path) with the desktop's handler
  // for its kind. By default through OpenUrl with the path's file address.
  virtual void OpenLocalFile(const std::u16string& path) { OpenUrl(LocalFileAddress(path)); }
  // Builds the program's video driver when it has none; false when it cannot be built.
  virtual bool CreateVideoDriver() { return false; }
  // Sends a chat text to a contact through the call client, queued with acknowledgement.
  virtual void SendChatMessage(const std::u16string& /*handle*/, const std::u16string& /*text*/) {}
  // Tells the sibling application about the recordings, all in one notice; dropped when it is not
  // there.
  virtual void SendToSibling(const std::vector<const CMessage*>& /*messages*/,
                             const std::vector<const CConversation*>& /*conversations*/) {}
};
