#include "ui/sheet/qt_property_sheet.h"

#include <QThread>
#include <QTimer>

#include "skype/link/main_window_port.h"
#include "ui/about/dlg_about.h"
#include "ui/controls/hyper_link.h"
#include "ui/recordings/dlg_conversation.h"
#include "ui/recordings/dlg_messages.h"
#include "ui/sheet/dlg_prop_sheet.h"
#include "ui/options/options_prop_page.h"
#include "ui/recordings/page_player.h"
#include "ui/sheet/placeholder_page.h"

CQtPropertySheet::CQtPropertySheet(CSheetServices& services) : m_services(&services) { InstallLinkOpener(); }

CQtPropertySheet::CQtPropertySheet(std::unique_ptr<CSheetServices> services)
    : m_ownServices(std::move(services)), m_services(m_ownServices.get()) {
  InstallLinkOpener();
}

CQtPropertySheet::~CQtPropertySheet() {
  Destroy();
  m_closed.reset();
  CHyperLink::SetDefaultOpener(nullptr);
}

void CQtPropertySheet::InstallLinkOpener() {
  // The links of the pages and of the dialogs they open (the player's) open through the program.
  CHyperLink::SetDefaultOpener([services = m_services](const std::u16string& address) { return services->OpenAddress(address); });
}

bool CQtPropertySheet::Create(std::u16string_view /*caption*/) {
  if (m_sheet) return true;
  m_sheet = std::make_unique<CDlgPropSheet>(*m_services);
  auto* messages = new CDlgMessages(*m_services);
  messages->SetPlayerRunner(MessagePlayer(messages));
  m_sheet->AddPage(messages, kPageVoiceMessages);
  auto* conversations = new CDlgConversation(*m_services);
  conversations->SetPlayerRunner(ConversationPlayer(conversations));
  m_sheet->AddPage(conversations, kPageConversations);
  m_sheet->AddPage(new COptionsPropPage(*m_services), kPageOptions);
  m_sheet->AddPage(new CDlgAbout(*m_services), kPageAbout);
  m_sheet->InitSheet();
  return true;
}

void CQtPropertySheet::Destroy() {
  if (m_sheet) {
    m_sheet->RememberPosition();
    m_sheet->hide();
    m_closed = std::move(m_sheet);
  }
  // A page's modal dialog (the player, a box) may run its own loop further up this thread's stack,
  // as when the program is told to end while the player is open: it uses its page until the quit
  // has ended that loop, so the sheet goes only once no loop runs above the outermost one (at the
  // latest with this part).
  if (QThread::currentThread()->loopLevel() <= 1) m_closed.reset();
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
  auto* messages = dynamic_cast<CDlgMessages*>(m_sheet->Page(kPageVoiceMessages));
  if (!messages) return;
  // The messages are in view while they play.
  m_sheet->ShowSheet(true, kPageVoiceMessages);
  // The walk runs modal players: it starts from the page's own queue, after the main window's
  // message that asked for it has been handled, and from a list that holds the newest messages
  // even when the once-a-second refresh is still pending.
  QTimer::singleShot(0, messages, [messages] {
    messages->RebuildList();
    messages->PlayNewMessages();
  });
}

void CQtPropertySheet::SelectOptionChild(uint32_t dialogId) {
  if (m_sheet) m_sheet->SelectOptionChild(dialogId);
}
