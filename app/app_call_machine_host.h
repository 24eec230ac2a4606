// What the call machine asks of the application (calls/call_machine_host.h), on the GUI thread
// inside a state-machine dispatch: the application's greetings in memory, an error queued as a
// message box on the main window, and the finished call's notice handed to the sibling-application
// thread.
#pragma once

#include "calls/call_machine_host.h"

class CSkypeMsgHndlHost;
class CZVApp;

class CAppCallMachineHost : public CCallMachineHost {
 public:
  // `messageBoxes` queues the boxes on the main window (the dispatcher's host does that already).
  CAppCallMachineHost(CZVApp& app, CSkypeMsgHndlHost& messageBoxes) : m_app(app), m_messageBoxes(messageBoxes) {}

  std::shared_ptr<const CWaveMemFile> GetGreeting(bool forContacts) override;
  void ReportError(std::u16string_view text) override;
  void NotifyCallDone(const CMessage* message, const CConversation* conversation) override;

 private:
  CZVApp& m_app;
  CSkypeMsgHndlHost& m_messageBoxes;
};
