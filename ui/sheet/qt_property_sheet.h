// CQtPropertySheet: the property sheet part as the user interface gives it to the main window. It
// builds the sheet with its four pages, in order: voice messages, conversations, options, About.
// Destroying it while a page's modal dialog runs (the program ends with the player open) hides it
// at once and deletes it once that dialog's loop has ended. While it exists, links without an
// opener of their own open through its services. GUI thread only.
#pragma once

#include <memory>

#include "app/parts/property_sheet.h"
#include "ui/sheet/sheet_services.h"

class CDlgPropSheet;

class CQtPropertySheet : public CAppPropertySheet {
 public:
  // The services must outlive the sheet (the main window's own, app/app_sheet_services.h).
  explicit CQtPropertySheet(CSheetServices& services);
  // The sheet keeps the services (tests and screenshots).
  explicit CQtPropertySheet(std::unique_ptr<CSheetServices> services);
  ~CQtPropertySheet() override;

  bool Create(std::u16string_view caption) override;
  void Destroy() override;
  bool Exists() const override;
  void Localize() override;
  void ShowPage(uint32_t pageFlag) override;
  void RefreshPages() override;
  void PagesChanged(CSheetPages pages) override;
  void EnableApply() override;
  void PlayNewMessages() override;
  void SelectOptionChild(uint32_t dialogId) override;

  CDlgPropSheet* Window() const { return m_sheet.get(); }

 private:
  void InstallLinkOpener();

  std::unique_ptr<CSheetServices> m_ownServices;
  CSheetServices* m_services;
  std::unique_ptr<CDlgPropSheet> m_sheet;
  // A sheet destroyed while a loop ran above the outermost one, hidden until it can go.
  std::unique_ptr<CDlgPropSheet> m_closed;
};
