// What the options page and its option children need of the property sheet and the program around
// it. The sheet implements it; tests give a fake. GUI thread only.
#pragma once

#include <optional>
#include <string>

class QWidget;

class COptionsSheetLink {
 public:
  virtual ~COptionsSheetLink() = default;
  // Marks the options page modified (Apply becomes available) or not (nothing left to apply).
  virtual void SetModified(bool modified) = 0;
  virtual bool IsModified() const = 0;
  // Writes every setting to the store (the options page's Apply).
  virtual void SaveSettings() = 0;
  // The tray icon shows the answering state anew (the main window's tray timer, at once).
  virtual void RefreshTrayIcon() = 0;
  // Sends a chat text to a contact through the call-client link, queued with acknowledgement.
  virtual void SendChatMessage(const std::u16string& handle, const std::u16string& text) = 0;
  // Opens a web page in the browser, maximised.
  virtual void OpenWebPage(const std::u16string& url) = 0;
  // Every text of the program is rebuilt in the current language and modes (UM_LOCALIZE, posted).
  virtual void Relocalize() = 0;
  // The version check the user asked for, shown with its result (UM_CHECKFORUPDATE, wParam 1).
  virtual void CheckForUpdatesNow() = 0;
  // The program switches to the language file at the path (CZVApp::ApplyLanguage).
  virtual void ApplyLanguage(const std::u16string& path) = 0;
  // The current language's file (CZVApp::GetLanguageFilePath).
  virtual std::u16string LanguageFilePath() = 0;
  // Opens a text file in an editor, without waiting for it.
  virtual void EditTextFile(const std::u16string& path) = 0;
  // Rebuilds the greeting held in memory for contacts (buddy) or for other callers from the
  // greeting setting; below 1 on failure (CZVApp::LoadGreetingMemFileBuddy / ...NonBuddy).
  virtual int LoadGreetingMemFile(bool buddy) = 0;
  // The folder the user picks in a folder chooser over the owner; nullopt when cancelled.
  // By default Qt's folder dialog; tests answer it themselves.
  virtual std::optional<std::u16string> ChooseFolder(QWidget* owner, const std::u16string& title,
                                                     const std::u16string& start);
  // The existing file the user picks in an open-file chooser (Qt's filter form); nullopt when
  // cancelled. By default Qt's file dialog.
  virtual std::optional<std::u16string> ChooseOpenFile(QWidget* owner, const std::u16string& title,
                                                       const std::u16string& start, const std::u16string& filter);
  // The file the user names in a save-file chooser (Qt's filter form; a name without an extension
  // gets `extension`), after confirming the replacement of an existing file; nullopt when
  // cancelled. By default Qt's file dialog.
  virtual std::optional<std::u16string> ChooseSaveFile(QWidget* owner, const std::u16string& title,
                                                       const std::u16string& start, const std::u16string& filter,
                                                       const std::u16string& extension);
  // The options page needs more room than before (a longer word, screen-reader captions): the
  // sheet grows to fit it, within the screen.
  virtual void FitSheetToPage() {}
  // Opens a file with the desktop's handler for its kind, as the user's double-click would;
  // whether one took it. By default through OpenWebPage with the file's address.
  virtual bool OpenFile(const std::u16string& path);
  // Whether the program has its video driver, so that a video greeting can be shown to callers.
  virtual bool HasVideoDriver();
  // Tries to build the video driver when there is none; whether there is one afterwards.
  virtual bool CreateVideoDriver() { return HasVideoDriver(); }
};
