// The Skype link as the main window drives it: the dispatcher thread (CSkypeMsgHndl) with the
// transport it owns (CSTL), and the call model they keep on the GUI thread. While it runs, the
// link installs the seams the calls answer and record through: the recordings port over the
// voice-message and conversation collections, and the call machine's host.
#pragma once

#include <memory>

#include "app/app_call_machine_host.h"
#include "app/parts/link.h"
#include "app/dispatcher_host.h"
#include "calls/recordings.h"
#include "platform/message_loop.h"

class CSkypeMsgHndl;
class CZVApp;

class CDispatcherLink : public CAppLink {
 public:
  CDispatcherLink(qav::MessageLoop& guiLoop, CZVApp& app);
  ~CDispatcherLink() override;

  int Start(qav::Hwnd mainWindow) override;
  // The dispatcher ends its thread, clears the current user's objects and ends the transport; each
  // thread is joined within the transport's and the dispatcher's own bounds. The seams go last,
  // since clearing the user's objects still goes through the recordings port.
  bool Shutdown(int timeoutMs) override;
  bool TransportExists() override;
  std::vector<int32_t> CallIdsInProgress() override;
  std::optional<int32_t> RingingCallId() override;
  int QueueCommand(const DeviceToSkypeCmd& command) override;
  CAppCurrentUser CurrentUser() override;
  int32_t TransportState() override;
  void Reconnect() override;
  std::vector<CAppCallHandling> Calls() override;
  bool ForceAnswer(int32_t callId) override;
  bool TakeControl(int32_t callId) override;
  bool RecordConversation(int32_t callId, bool start) override;

 private:
  qav::MessageLoop& m_guiLoop;
  CAppDispatcherHost m_host;
  CAppCallMachineHost m_callMachineHost;
  CRecordings m_recordings;
  std::unique_ptr<CSkypeMsgHndl> m_dispatcher;
};
