// CAppSheetServices: the sheet's services from the running program: the application object, its
// main window (which owns this and the sheet), the settings and the installed message box handler.
// What changes the program's look is posted to the main window, which handles it on its loop after
// the page's handler has returned; the update check the user asks for is sent, and starts at once.
// GUI thread only.
#pragma once

#include "app/parts/sheet_services.h"

class CZVApp;
class CZVAppWnd;

class CAppSheetServices : public CSheetServices {
 public:
  CAppSheetServices(CZVApp& app, CZVAppWnd& window) : m_app(app), m_window(window) {}

  std::u16string CurrentUserHandle() override;
  void SaveSettings() override;
  void LoadSettings() override;
  std::u16string GreetingPath(bool buddy) override;
  bool ReloadGreeting(bool buddy) override;
  void ShowError(const std::u16string& text) override;
  void OpenUrl(const std::u16string& url) override;
  bool OpenLocalFile(const std::u16string& path) override;
  bool OpenAddress(const std::u16string& address) override;
  void RefreshTray() override;
  void Relocalize() override;
  void CheckForUpdatesNow() override;
  void PagesChanged(CSheetPages pages) override;
  void ApplyLanguage(const std::u16string& path) override;
  std::u16string LanguageFilePath() override;
  std::u16string WebLanguage() override;
  bool HasVideoDriver() override;
  bool CreateVideoDriver() override;
  void SendChatMessage(const std::u16string& handle, const std::u16string& text) override;
  bool SiblingRunning() override;
  void SendToSibling(const std::vector<const CMessage*>& messages,
                     const std::vector<const CConversation*>& conversations) override;

 private:
  void Post(uint32_t message, uint64_t wParam = 0);

  CZVApp& m_app;
  CZVAppWnd& m_window;
};
