// CQtPropertySheet: the property sheet part as the user interface gives it to the main window. It
// builds the sheet with its four pages, in order: voice messages, conversations, options, About.
// Destroying it while a page's modal dialog runs (the program ends with the player open) hides it
// at once and deletes it once that dialog's loop has ended. GUI thread only.
#pragma once

#include <memory>

#include "app/parts/property_sheet.h"
#include "ui/sheet/sheet_services.h"

class CDlgPropSheet;
class CSheetServices;

class CQtPropertySheet : public CAppPropertySheet {
 public:
  // Without services the program's own (CAppSheetServices) are used.
  explicit CQtPropertySheet(std::unique_ptr<CSheetServices> services = nullptr);
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
  std::unique_ptr<CSheetServices> m_services;
  std::unique_ptr<CDlgPropSheet> m_sheet;
  // A sheet destroyed while a loop ran above the outermost one, hidden until it can go.
  std::unique_ptr<CDlgPropSheet> m_closed;
};
