// What the dispatcher asks of the application shell (skype/dispatcher/skype_msg_hndl_host.h),
// called on the dispatcher thread. Whatever needs the GUI thread (message boxes, the page refresh,
// a web page, the close) is posted to the main window in order and the call returns, so the
// dispatcher never waits for the GUI thread, which stops it at exit. The greetings are built right
// here: building them touches nothing of the GUI thread.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/message.h"
#include "skype/dispatcher/skype_msg_hndl_host.h"

class CZVApp;

class CAppDispatcherHost : public CSkypeMsgHndlHost {
 public:
  explicit CAppDispatcherHost(CZVApp& app) : m_app(app) {}

  void ShowMessageBox(std::u16string_view text, MessageBoxIcon icon) override;
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  void CloseMainWindow() override;
  void OpenUrl(std::u16string_view url) override;
  void RefreshUI() override;
  int LoadGreetingMemFileBuddy() override;
  int LoadGreetingMemFileNonBuddy() override;
  bool HasVideoDriver() override;
  std::u16string GetOwnVideoDeviceName() override;

 private:
  bool QueueOnGui(uint32_t message, std::unique_ptr<qav::Payload> payload = nullptr);

  CZVApp& m_app;
};
