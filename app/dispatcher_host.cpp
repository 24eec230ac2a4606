#include "app/dispatcher_host.h"

#include "app/app_messages.h"
#include "app/app_names.h"
#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "audio/video_driver.h"
#include "foundation/logger.h"
#include "platform/message_box.h"
#include "platform/window.h"

bool CAppDispatcherHost::QueueOnGui(uint32_t message, std::unique_ptr<qav::Payload> payload) {
  CZVAppWnd* window = m_app.MainWindow();
  if (window && qav::PostMessage(window->GetSafeHwnd(), message, 0, 0, std::move(payload))) return true;
  QAV_LOG(LOG_WARNING, u"CAppDispatcherHost: message %#x cannot reach the main window", message);
  return false;
}

void CAppDispatcherHost::ShowMessageBox(std::u16string_view text, MessageBoxIcon icon) {
  const uint32_t type = icon == MessageBoxIcon::kStop ? qav::MB_ICONSTOP : qav::MB_ICONEXCLAMATION;
  QueueOnGui(UM_APP_MESSAGEBOX, qav::MakePayload<CQueuedMessageBox>(CQueuedMessageBox{std::u16string(text), type}));
}

void CAppDispatcherHost::CloseMainWindow() { QueueOnGui(qav::WM_CLOSE); }

void CAppDispatcherHost::OpenUrl(std::u16string_view url) {
  QueueOnGui(UM_APP_OPENURL, qav::MakePayload<std::u16string>(url));
}

void CAppDispatcherHost::RefreshUI() { QueueOnGui(UM_APP_REFRESHUI); }

int CAppDispatcherHost::LoadGreetingMemFileBuddy() { return m_app.LoadGreetingMemFileBuddy(); }
int CAppDispatcherHost::LoadGreetingMemFileNonBuddy() { return m_app.LoadGreetingMemFileNonBuddy(); }

// The driver is built before the link starts and deleted after it has ended.
bool CAppDispatcherHost::HasVideoDriver() { return ::HasVideoDriver(); }

// The webcam application's capture device is the program's own whether or not the driver runs:
// Skype can still show it from an earlier run.
std::u16string CAppDispatcherHost::GetOwnVideoDeviceName() { return std::u16string(kVirtualWebcamDeviceName); }
