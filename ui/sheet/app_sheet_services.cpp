#include "ui/sheet/app_sheet_services.h"

#include "app/app_names.h"
#include "app/link_opening.h"
#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "skype/link/device_to_skype_cmd.h"

std::u16string CAppSheetServices::CurrentUserHandle() {
  if (!g_pApp || !g_pApp->MainWindow()) return {};
  return g_pApp->MainWindow()->Link().CurrentUser().handle;
}

void CAppSheetServices::SaveSettings() { ::SaveSettings(); }

void CAppSheetServices::LoadSettings() { ::LoadSettings(); }

std::u16string CAppSheetServices::GreetingPath(bool buddy) {
  return buddy ? g_GreetingSoundMsgPath.Get() : g_GreetingSoundMsgPathForNonAuth.Get();
}

bool CAppSheetServices::ReloadGreeting(bool buddy) {
  if (!g_pApp) return false;
  return (buddy ? g_pApp->LoadGreetingMemFileBuddy() : g_pApp->LoadGreetingMemFileNonBuddy()) != 0;
}

bool CAppSheetServices::CreateVideoDriver() { return g_pApp && g_pApp->CreateVideoDriver(); }

void CAppSheetServices::ShowError(const std::u16string& text) {
  qav::ShowMessageBox(text, kAppName, qav::MB_OK | qav::MB_ICONSTOP);
}

void CAppSheetServices::PostMainWindow(uint32_t message, uint64_t wParam, int64_t lParam) {
  if (g_pApp && g_pApp->MainWindow()) qav::PostMessage(g_pApp->MainWindow()->GetSafeHwnd(), message, wParam, lParam);
}

void CAppSheetServices::OpenUrl(const std::u16string& url) {
  if (g_pApp) OpenWebLinkForUser(g_pApp->Shell(), url, true);
}

void CAppSheetServices::OpenLocalFile(const std::u16string& path) {
  if (g_pApp) OpenLocalFileForUser(g_pApp->Shell(), path);
}

void CAppSheetServices::SendToSibling(const std::vector<const CMessage*>& messages,
                                      const std::vector<const CConversation*>& conversations) {
  if (g_pApp && g_pApp->MainWindow()) g_pApp->MainWindow()->Workers().SendRecordingsNotice(messages, conversations);
}

void CAppSheetServices::SendChatMessage(const std::u16string& handle, const std::u16string& text) {
  if (!g_pApp || !g_pApp->MainWindow()) return;
  DeviceToSkypeCmd command;
  command.Message(handle, text);
  g_pApp->MainWindow()->Link().QueueCommand(command);
}
