#include "ui/options/options_prop_page.h"

#include <QVBoxLayout>

#include "ui/options/dlg_options.h"
#include "ui/sheet/dlg_prop_sheet.h"

COptionsPropPage::COptionsPropPage(CSheetServices& services, QWidget* parent)
    : CPropPage(parent), m_services(services), m_options(new CDlgOptions(*this, this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_options);
}

std::u16string COptionsPropPage::GetTabTitle() const { return m_options->GetTabTitle().toStdU16String(); }

void COptionsPropPage::Localize() { m_options->Localize(); }

void COptionsPropPage::OnUpdateDlg() { m_options->OnUpdateDlg(); }

void COptionsPropPage::OnSetActive() { m_options->OnSetActive(); }

void COptionsPropPage::OnKillActive() { m_options->OnKillActive(); }

void COptionsPropPage::OnApply() {
  if (IsModified()) m_options->OnApply();
}

void COptionsPropPage::OnUserSelectPage(uint32_t dialogId) { m_options->OnUserSelectPage(static_cast<int>(dialogId)); }

void COptionsPropPage::OnSettingsReloaded() { m_options->RefreshChildren(); }

void COptionsPropPage::SetModified(bool modified) {
  if (Sheet()) Sheet()->SetModified(modified);
}

bool COptionsPropPage::IsModified() const { return Sheet() && Sheet()->IsModified(); }

void COptionsPropPage::FitSheetToPage() {
  if (Sheet()) Sheet()->FitToPages();
}
