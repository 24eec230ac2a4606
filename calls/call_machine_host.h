// What the call machine and the recordings need of the application shell, beyond the main
// window's messages (skype/link/main_window_port.h): the greetings held in memory, telling the
// user of an error, and the sibling application's notice of a finished call.
//
// app/ installs it at start-up; tests install a recording double. Each runs inside a state-machine
// dispatch on the GUI thread, so nothing here waits for the user: a message box shown there would
// run a nested loop in the middle of the dispatch (docs/model-threading.md).
#pragma once

#include <memory>
#include <string_view>

class CConversation;
class CMessage;
class CWaveMemFile;

class CCallMachineHost {
 public:
  virtual ~CCallMachineHost() = default;
  // The greeting in memory for contacts, or for callers who are not contacts; null while none is
  // built. The voice message keeps its reference while the audio thread plays it.
  virtual std::shared_ptr<const CWaveMemFile> GetGreeting(bool forContacts) = 0;
  // Queues a message box with the text.
  virtual void ReportError(std::u16string_view text) = 0;
  // A call that recorded something has ended: the sibling application's notice, built from the
  // voice message and the conversation (either may be null) before this returns.
  virtual void NotifyCallDone(const CMessage* message, const CConversation* conversation) = 0;
};

// The installed host, or null (no greeting, so no voice message; the error only logged; no
// notice). The caller keeps ownership.
void SetCallMachineHost(CCallMachineHost* host);
CCallMachineHost* GetCallMachineHost();
