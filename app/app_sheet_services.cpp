#include "app/app_sheet_services.h"

#include "app/app_messages.h"
#include "app/app_names.h"
#include "app/extr_app_notify.h"
#include "app/link_opening.h"
#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "audio/video_driver.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "skype/link/device_to_skype_cmd.h"

std::u16string CAppSheetServices::CurrentUserHandle() { return m_window.Link().CurrentUser().handle; }

void CAppSheetServices::SaveSettings() { ::SaveSettings(); }

void CAppSheetServices::LoadSettings() { ::LoadSettings(); }

std::u16string CAppSheetServices::GreetingPath(bool buddy) {
  return buddy ? g_GreetingSoundMsgPath.Get() : g_GreetingSoundMsgPathForNonAuth.Get();
}

bool CAppSheetServices::ReloadGreeting(bool buddy) {
  return (buddy ? m_app.LoadGreetingMemFileBuddy() : m_app.LoadGreetingMemFileNonBuddy()) != 0;
}

void CAppSheetServices::ShowError(const std::u16string& text) {
  qav::ShowMessageBox(text, kAppName, qav::MB_OK | qav::MB_ICONSTOP);
}

void CAppSheetServices::OpenUrl(const std::u16string& url) { OpenWebLinkForUser(m_app.Shell(), url, true); }

bool CAppSheetServices::OpenLocalFile(const std::u16string& path) { return OpenLocalFileForUser(m_app.Shell(), path); }

bool CAppSheetServices::OpenAddress(const std::u16string& address) {
  if (m_app.Shell().OpenUrl(address, false)) return true;
  QAV_LOG(LOG_WARNING, u"The address [%s] could not be opened", address);
  return false;
}

void CAppSheetServices::Post(uint32_t message, uint64_t wParam) {
  qav::PostMessage(m_window.GetSafeHwnd(), message, wParam, 0);
}

void CAppSheetServices::RefreshTray() { Post(UM_APP_REFRESHTRAY); }

void CAppSheetServices::Relocalize() { Post(UM_LOCALIZE); }

void CAppSheetServices::CheckForUpdatesNow() {
  // Sent, not posted: the main window has started the check (the exchange runs on its own
  // thread) before the page's handler returns, so the wait cursor the page shows covers it.
  qav::SendMessage(m_window.GetSafeHwnd(), UM_CHECKFORUPDATE, 1);
}

void CAppSheetServices::PagesChanged(CSheetPages pages) { Post(UM_UPDATEDLG, pages.flags); }

void CAppSheetServices::ApplyLanguage(const std::u16string& path) { m_app.ApplyLanguage(path); }

std::u16string CAppSheetServices::LanguageFilePath() { return m_app.GetLanguageFilePath(); }

std::u16string CAppSheetServices::WebLanguage() { return m_app.Profile().Language; }

bool CAppSheetServices::HasVideoDriver() { return ::HasVideoDriver(); }

bool CAppSheetServices::CreateVideoDriver() {
  return HasVideoDriver() || (m_app.CreateVideoDriver() && HasVideoDriver());
}

void CAppSheetServices::SendChatMessage(const std::u16string& handle, const std::u16string& text) {
  DeviceToSkypeCmd command;
  command.Message(handle, text);
  m_window.Link().QueueCommand(command);
}

bool CAppSheetServices::SiblingRunning() { return FindSiblingAppWindow() != 0; }

void CAppSheetServices::SendToSibling(const std::vector<const CMessage*>& messages,
                                      const std::vector<const CConversation*>& conversations) {
  m_window.Workers().SendRecordingsNotice(messages, conversations);
}
