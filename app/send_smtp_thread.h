// The e-mail thread: mails the notice of a new voice message (app/voice_mail_notice.h), with the
// recording attached when the user wants it, so the SMTP exchange never holds the GUI thread.
//
// Requests carry a copy of what the mail needs (app/voice_mail_job.h), never the message itself;
// the recording is attached as it is when its mail goes, under whichever name it has by then.
// When the options say to delete a message once mailed, and it was attached and the server
// accepted the mail, the deletion is handed back to the GUI thread, which finds the message again
// by its identity; a message that is gone by then is skipped with a log line. A failed mail is
// logged and the message kept.
//
// Threading: Start, Stop and the destructor on the GUI thread, whose loop is given; PostSendRequest
// from any thread. The thread runs below normal priority. A mail ends when nothing moves for the
// sender's time-out (20 s: no reply, no byte taken by the server), never while it moves; Stop
// stops the mail in progress, which ends within about a second, and skips those queued, so the
// program's exit never waits on a server. A stopped mail is a failed one: its message stays.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/voice_mail_job.h"
#include "platform/message_loop.h"
#include "platform/message_thread.h"
#include "platform/window.h"

inline constexpr uint32_t WM_SEND_SMTP_PROCESS = 0x5C3;

class CSendSMTPThread {
 public:
  // `reportError` shows a text to the user; it is called on the GUI thread and must not block
  // (queue the box).
  CSendSMTPThread(qav::MessageLoop& guiLoop, std::function<void(std::u16string)> reportError);
  ~CSendSMTPThread();
  CSendSMTPThread(const CSendSMTPThread&) = delete;
  CSendSMTPThread& operator=(const CSendSMTPThread&) = delete;

  bool Start();
  // Queues the mail for the job; false when the thread does not run.
  bool PostSendRequest(const CVoiceMailJob& job);
  // Stops the mail in progress, skips the queued ones and ends the thread; true when it ended
  // within the bound.
  bool Stop(int timeoutMs);
  // Trusts the certificates of this PEM file for the SMTP server instead of the system's (a
  // private server's own authority); "" for the system's.
  void SetTrustedCertificates(std::string pemFile) { m_caFile = std::move(pemFile); }

 private:
  // On the e-mail thread.
  static void OnSendSMTPProcess(const CVoiceMailJob& job, const std::string& caFile, qav::Hwnd resultWindow,
                                const std::atomic<bool>& stopping);
  // On the GUI thread: the mail with the recording went out; delete the message.
  void OnMailedForDeletion(const CVoiceMailJob& job);

  qav::MessageLoop& m_guiLoop;
  std::function<void(std::u16string)> m_reportError;
  std::string m_caFile;
  qav::Window m_resultWindow;
  // Set by Stop; the thread's mails look at it.
  std::shared_ptr<std::atomic<bool>> m_stopping;
  qav::MessageThread m_thread;
  bool m_running = false;
};
