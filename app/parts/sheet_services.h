// CSheetServices: everything the property sheet and its pages ask of the rest of the program, as
// named calls: the one way up from the user interface. The main window gives the program's own
// (app/app_sheet_services.h) to the sheet it builds; tests and the screenshots give their own.
//
// The calls that change what the program shows (the tray, the texts, the pages) are queued onto
// the GUI thread's loop and run after the page's handler has returned, as the program's own
// messages to its main window would; the others, the update check among them, are done when they
// return. GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "app/parts/property_sheet.h"
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
  // Opens a web address (http or https) in the default browser, maximised.
  virtual void OpenUrl(const std::u16string& url) = 0;
  // Opens one of the program's own files or folders (an absolute path) with the desktop's handler
  // for its kind, at its normal size, as the user's double-click would; whether a handler took it
  // (the program's own tells the user when none did). By default through OpenAddress with the
  // path's file address.
  virtual bool OpenLocalFile(const std::u16string& path) { return OpenAddress(LocalFileAddress(path)); }
  // Opens an address (a link, a file's address) with the desktop's handler at its normal size, as
  // the user's double-click would; whether a handler took it.
  virtual bool OpenAddress(const std::u16string& /*address*/) { return false; }

  // Queued: the tray icon shows the answering state anew.
  virtual void RefreshTray() {}
  // Queued: every text of the program is rebuilt in the current language and modes.
  virtual void Relocalize() {}
  // Sent: the version check the user asked for has started (on its own thread) when this returns,
  // so a wait cursor the page shows covers its start; its result is shown when it comes.
  virtual void CheckForUpdatesNow() {}
  // Queued: what the pages of the set show has changed; the program refreshes them.
  virtual void PagesChanged(CSheetPages /*pages*/) {}

  // The program switches to the language file at the path.
  virtual void ApplyLanguage(const std::u16string& /*path*/) {}
  // The current language's file, "" when none is known.
  virtual std::u16string LanguageFilePath() { return {}; }
  // The language code the product's web pages are asked in ("EN" when none is known).
  virtual std::u16string WebLanguage() { return u"EN"; }

  // Whether the program has its video driver, so that a video greeting can be shown to callers.
  virtual bool HasVideoDriver() { return false; }
  // Builds the program's video driver when it has none; whether it has one afterwards.
  virtual bool CreateVideoDriver() { return HasVideoDriver(); }
  // Sends a chat text to a contact through the call client, queued with acknowledgement.
  virtual void SendChatMessage(const std::u16string& /*handle*/, const std::u16string& /*text*/) {}
  // Whether the sibling application is running (the recordings' menus offer to send to it then).
  virtual bool SiblingRunning() { return false; }
  // Tells the sibling application about the recordings, all in one notice; dropped when it is not
  // there.
  virtual void SendToSibling(const std::vector<const CMessage*>& /*messages*/,
                             const std::vector<const CConversation*>& /*conversations*/) {}
};
