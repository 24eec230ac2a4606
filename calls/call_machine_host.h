// What the call machine and the recordings need of the application shell, beyond the main
// window's messages (skype/link/main_window_port.h): telling the user of an error, and the
// sibling application's notice of a finished call.
//
// app/ installs it at start-up; tests install a recording double. Both run inside a state-machine
// dispatch on the GUI thread, so they only queue: a message box shown there would run a nested
// loop in the middle of the dispatch (docs/model-threading.md).
#pragma once

#include <string_view>

class CConversation;
class CMessage;

class CCallMachineHost {
 public:
  virtual ~CCallMachineHost() = default;
  // Queues a message box with the text.
  virtual void ReportError(std::u16string_view text) = 0;
  // A call that recorded something has ended: the sibling application's notice, built from the
  // voice message and the conversation (either may be null) before this returns.
  virtual void NotifyCallDone(const CMessage* message, const CConversation* conversation) = 0;
};

// The installed host, or null (the error is then only logged, and no notice goes out). The caller
// keeps ownership.
void SetCallMachineHost(CCallMachineHost* host);
CCallMachineHost* GetCallMachineHost();
