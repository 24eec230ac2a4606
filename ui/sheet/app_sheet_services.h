// CAppSheetServices: the sheet's services from the running program (g_pApp and its main window,
// the settings, the installed message box handler). GUI thread only.
#pragma once

#include "ui/sheet/sheet_services.h"

class CAppSheetServices : public CSheetServices {
 public:
  std::u16string CurrentUserHandle() override;
  void SaveSettings() override;
  void LoadSettings() override;
  std::u16string GreetingPath(bool buddy) override;
  bool ReloadGreeting(bool buddy) override;
  bool CreateVideoDriver() override;
  void ShowError(const std::u16string& text) override;
  void PostMainWindow(uint32_t message, uint64_t wParam, int64_t lParam) override;
  void OpenUrl(const std::u16string& url) override;
  void OpenLocalFile(const std::u16string& path) override;
  void SendToSibling(const std::vector<const CMessage*>& messages,
                     const std::vector<const CConversation*>& conversations) override;
  void SendChatMessage(const std::u16string& handle, const std::u16string& text) override;
};
