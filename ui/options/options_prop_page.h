// COptionsPropPage: the options page in its place in the sheet. It holds the options page and is
// the sheet as the page sees it: the modified state is the sheet's Apply button, and the page
// grows the sheet when it needs room. What the page asks of the program goes to the sheet's
// services directly. GUI thread only.
#pragma once

#include "ui/options/options_page_site.h"
#include "ui/sheet/prop_page.h"

class CDlgOptions;

class COptionsPropPage : public CPropPage, public COptionsPageSite {
 public:
  explicit COptionsPropPage(CSheetServices& services, QWidget* parent = nullptr);

  std::u16string GetTabTitle() const override;
  void Localize() override;
  void OnUpdateDlg() override;
  void OnSetActive() override;
  void OnKillActive() override;
  void OnApply() override;
  void OnUserSelectPage(uint32_t dialogId) override;
  void OnSettingsReloaded() override;

  CSheetServices& Services() override { return m_services; }
  void SetModified(bool modified) override;
  bool IsModified() const override;
  void FitSheetToPage() override;

  CDlgOptions* Options() const { return m_options; }

 private:
  CSheetServices& m_services;
  CDlgOptions* m_options;
};
