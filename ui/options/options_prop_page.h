// COptionsPropPage: the options page in its place in the sheet. It holds the options page and
// answers what the page asks of the sheet: the modified state is the sheet's Apply button, the
// tray and the chat text go through the sheet to the main window and the call client. GUI thread
// only.
#pragma once

#include "ui/options/options_sheet_link.h"
#include "ui/sheet/prop_page.h"

class CDlgOptions;

class COptionsPropPage : public CPropPage, public COptionsSheetLink {
 public:
  explicit COptionsPropPage(QWidget* parent = nullptr);

  std::u16string GetTabTitle() const override;
  void Localize() override;
  void OnUpdateDlg() override;
  void OnSetActive() override;
  void OnKillActive() override;
  void OnApply() override;
  void OnUserSelectPage(uint32_t dialogId) override;
  void OnSettingsReloaded() override;

  void SetModified(bool modified) override;
  bool IsModified() const override;
  void SaveSettings() override;
  void RefreshTrayIcon() override;
  void SendChatMessage(const std::u16string& handle, const std::u16string& text) override;
  void OpenWebPage(const std::u16string& url) override;
  void Relocalize() override;
  void CheckForUpdatesNow() override;
  void ApplyLanguage(const std::u16string& path) override;
  std::u16string LanguageFilePath() override;
  void EditTextFile(const std::u16string& path) override;
  int LoadGreetingMemFile(bool buddy) override;
  bool CreateVideoDriver() override;
  void FitSheetToPage() override;
  bool OpenFile(const std::u16string& path) override;

  CDlgOptions* Options() const { return m_options; }

 private:
  CDlgOptions* m_options;
};
