// The program's e-mail and sibling-application threads behind the main window's workers part:
// the notice mail of a new voice message (app/send_smtp_thread.h), the notices to the sibling
// audio application (app/notify_extr_app_thread.h) and its request for everything at once.
//
// Threading: every call on the GUI thread, where the collections live; only copies of what the
// threads need leave it.
#pragma once

#include <functional>
#include <string>

#include "app/parts/workers.h"
#include "app/notify_extr_app_thread.h"
#include "app/send_smtp_thread.h"
#include "platform/message_loop.h"

class CWorkerThreads : public CAppWorkers {
 public:
  // `mainWindow` gives the main window's handle (the sender of the notices); `reportError` queues a
  // message box for the user.
  CWorkerThreads(qav::MessageLoop& guiLoop, std::function<qav::Hwnd()> mainWindow,
                 std::function<void(std::u16string)> reportError);

  bool StartMailThread() override;
  bool StartNotifyThread() override;
  // Mails the voice message; false when it is not in the collection (any more), has no caller, or
  // the thread does not run.
  bool MailVoiceMessage(VoiceMessageId message) override;
  // Kind 120 with data: a notice of every voice message (duration known) and every finished
  // conversation; false when refused or when the sibling application does not run.
  bool OnCopyData(uint64_t dataKind, std::string_view bytes) override;
  void SendCallDoneNotice(const CMessage* message, const CConversation* conversation) override;
  void SendRecordingsNotice(const std::vector<const CMessage*>& messages,
                            const std::vector<const CConversation*>& conversations) override;
  bool Stop(int timeoutMs) override;

  CSendSMTPThread& MailThread() { return m_mail; }

 private:
  CSendSMTPThread m_mail;
  CNotifyExtrAppThread m_notify;
};
