#include "ui/options/options_prop_page.h"

#include <QVBoxLayout>

#include "ui/options/dlg_options.h"
#include "ui/sheet/dlg_prop_sheet.h"
#include "ui/sheet/sheet_services.h"

COptionsPropPage::COptionsPropPage(QWidget* parent) : CPropPage(parent), m_options(new CDlgOptions(*this, this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_options);
  setAccessibleName(m_options->GetTabTitle());
}

std::u16string COptionsPropPage::GetTabTitle() const { return m_options->GetTabTitle().toStdU16String(); }

void COptionsPropPage::Localize() {
  // A screen reader names the page as its tab, as the other pages name themselves.
  setAccessibleName(m_options->GetTabTitle());
  m_options->Localize();
}

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

void COptionsPropPage::SaveSettings() {
  if (Sheet()) Sheet()->Services().SaveSettings();
}

bool COptionsPropPage::IsModified() const { return Sheet() && Sheet()->IsModified(); }

void COptionsPropPage::RefreshTrayIcon() {
  if (Sheet()) Sheet()->Services().RefreshTray();
}

void COptionsPropPage::SendChatMessage(const std::u16string& handle, const std::u16string& text) {
  if (Sheet()) Sheet()->Services().SendChatMessage(handle, text);
}

void COptionsPropPage::OpenWebPage(const std::u16string& url) {
  if (Sheet()) Sheet()->Services().OpenUrl(url);
}

void COptionsPropPage::Relocalize() {
  if (Sheet()) Sheet()->Services().Relocalize();
}

void COptionsPropPage::CheckForUpdatesNow() {
  if (Sheet()) Sheet()->Services().CheckForUpdatesNow();
}

void COptionsPropPage::ApplyLanguage(const std::u16string& path) {
  if (Sheet()) Sheet()->Services().ApplyLanguage(path);
}

std::u16string COptionsPropPage::LanguageFilePath() { return Sheet() ? Sheet()->Services().LanguageFilePath() : std::u16string(); }

void COptionsPropPage::EditTextFile(const std::u16string& path) {
  // The desktop's handler for text files is the user's editor.
  if (Sheet()) Sheet()->Services().OpenLocalFile(path);
}

bool COptionsPropPage::OpenFile(const std::u16string& path) {
  // Shown at its normal size, as a double-click on the file would.
  return Sheet() && Sheet()->Services().OpenLocalFile(path);
}

void COptionsPropPage::FitSheetToPage() {
  if (Sheet()) Sheet()->FitToPages();
}

bool COptionsPropPage::CreateVideoDriver() {
  if (HasVideoDriver()) return true;
  return Sheet() && Sheet()->Services().CreateVideoDriver() && HasVideoDriver();
}

int COptionsPropPage::LoadGreetingMemFile(bool buddy) {
  return Sheet() && Sheet()->Services().ReloadGreeting(buddy) ? 1 : 0;
}
