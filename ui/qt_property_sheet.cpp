#include "ui/qt_property_sheet.h"

#include "skype/link/main_window_port.h"
#include "ui/app_sheet_services.h"
#include "ui/dlg_about.h"
#include "ui/dlg_conversation.h"
#include "ui/dlg_messages.h"
#include "ui/dlg_prop_sheet.h"
#include "ui/options_prop_page.h"
#include "ui/placeholder_page.h"

CQtPropertySheet::CQtPropertySheet(std::unique_ptr<CSheetServices> services)
    : m_services(services ? std::move(services) : std::make_unique<CAppSheetServices>()) {}

CQtPropertySheet::~CQtPropertySheet() { Destroy(); }

bool CQtPropertySheet::Create(std::u16string_view /*caption*/) {
  if (m_sheet) return true;
  m_sheet = std::make_unique<CDlgPropSheet>(*m_services);
  m_sheet->AddPage(new CDlgMessages(*m_services), kPageVoiceMessages);
  m_sheet->AddPage(new CDlgConversation(*m_services), kPageConversations);
  m_sheet->AddPage(new COptionsPropPage, kPageOptions);
  m_sheet->AddPage(new CDlgAbout(*m_services), kPageAbout);
  m_sheet->InitSheet();
  return true;
}

void CQtPropertySheet::Destroy() {
  if (!m_sheet) return;
  m_sheet->RememberPosition();
  m_sheet.reset();
}

bool CQtPropertySheet::Exists() const { return m_sheet != nullptr; }

void CQtPropertySheet::Localize() {
  if (m_sheet) m_sheet->Localize(true);
}

void CQtPropertySheet::ShowPage(uint32_t pageFlag) {
  if (m_sheet) m_sheet->ShowSheet(true, pageFlag);
}

void CQtPropertySheet::RefreshPages() {
  if (m_sheet) m_sheet->UpdateAllPages();
}

void CQtPropertySheet::PagesChanged(CSheetPages pages) {
  if (!m_sheet) return;
  for (uint32_t flag : {kPageVoiceMessages, kPageConversations, kPageOptions, kPageAbout}) {
    if (pages.Contains(flag)) m_sheet->OnUpdateDlg(flag);
  }
}

void CQtPropertySheet::EnableApply() {
  if (m_sheet) m_sheet->SetModified(true);
}

void CQtPropertySheet::PlayNewMessages() {
  if (!m_sheet) return;
  if (auto* messages = dynamic_cast<CDlgMessages*>(m_sheet->Page(kPageVoiceMessages))) messages->PlayNewMessages();
}

void CQtPropertySheet::SelectOptionChild(uint32_t dialogId) {
  if (m_sheet) m_sheet->SelectOptionChild(dialogId);
}
