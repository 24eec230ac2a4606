#include "app/app_call_machine_host.h"

#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "skype/dispatcher/skype_msg_hndl_host.h"

std::shared_ptr<const CWaveMemFile> CAppCallMachineHost::GetGreeting(bool forContacts) {
  return m_app.GetGreetingMemFile(forContacts);
}

void CAppCallMachineHost::ReportError(std::u16string_view text) {
  m_messageBoxes.ShowMessageBox(text, CSkypeMsgHndlHost::MessageBoxIcon::kExclamation);
}

void CAppCallMachineHost::NotifyCallDone(const CMessage* message, const CConversation* conversation) {
  // The main window owns the sibling-application thread; without a window there is nobody to tell.
  if (CZVAppWnd* window = m_app.MainWindow()) window->Workers().SendCallDoneNotice(message, conversation);
}
