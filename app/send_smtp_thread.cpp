#include "app/send_smtp_thread.h"

#include "app/voice_mail_notice.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "net/send_smtp.h"
#include "platform/thread_priority.h"
#include "skype/link/main_window_port.h"

namespace {

// What the e-mail thread posts back to the GUI thread's result window.
constexpr uint32_t kMailedForDeletion = qav::WM_USER + 1;
constexpr int32_t kSmtpTimeoutSec = 20;
constexpr char kResultWindowClass[] = "QAVMailResults";

// Attaches the message's recording under the name it has now. The GUI thread may rename it (the
// user hears it, or marks it new again) while this looks: a name that was not there a moment ago
// may be back, so the names are tried again a few times. Once opened, the file goes with the mail
// whatever its name does.
bool AttachRecording(CSendSMTP& mail, const CVoiceMailJob& job) {
  constexpr int kLooks = 3;
  const std::vector<std::u16string> paths = job.PossibleFilePaths();
  for (int look = 0; look < kLooks; ++look) {
    for (const std::u16string& path : paths) {
      if (mail.AddAttachment(path)) {
        QAV_LOG(LOG_INFO, u"CSendSMTPThread[ Attaching message to EMail [%s] ]", path);
        return true;
      }
    }
  }
  QAV_LOG(LOG_WARNING, u"CSendSMTPThread[ The voice message [%s] cannot be read: it is gone ]", job.FilePath());
  return false;
}

}  // namespace

CSendSMTPThread::CSendSMTPThread(qav::MessageLoop& guiLoop, std::function<void(std::u16string)> reportError)
    : m_guiLoop(guiLoop), m_reportError(std::move(reportError)) {}

CSendSMTPThread::~CSendSMTPThread() { Stop(0); }

bool CSendSMTPThread::Start() {
  if (m_running) return false;
  if (!m_resultWindow.Create(m_guiLoop, kResultWindowClass, u"", qav::WindowKind::kLocal, [this](qav::Msg& message) {
        if (message.message != kMailedForDeletion) return qav::DefWindowProc(message);
        if (const auto* job = message.Get<CVoiceMailJob>()) OnMailedForDeletion(*job);
        return qav::LResult{0};
      })) {
    return false;
  }
  const std::string caFile = m_caFile;
  const qav::Hwnd resultWindow = m_resultWindow.handle();
  m_stopping = std::make_shared<std::atomic<bool>>(false);
  m_running = m_thread.Start("qav-mail", [caFile, resultWindow, stopping = m_stopping](qav::MessageLoop& loop) {
    qav::SetCurrentThreadPriority(qav::ThreadPriority::kBelowNormal);
    loop.SetThreadMessageHandler([caFile, resultWindow, stopping](qav::Msg& message) {
      if (message.message != WM_SEND_SMTP_PROCESS) return;
      if (const auto* job = message.Get<CVoiceMailJob>()) OnSendSMTPProcess(*job, caFile, resultWindow, *stopping);
    });
  });
  if (!m_running) m_resultWindow.Destroy();
  return m_running;
}

bool CSendSMTPThread::PostSendRequest(const CVoiceMailJob& job) {
  return m_running && m_thread.PostThreadMessage(WM_SEND_SMTP_PROCESS, 0, 0, qav::MakePayload<CVoiceMailJob>(job));
}

bool CSendSMTPThread::Stop(int timeoutMs) {
  if (!m_running) return true;
  // The mail in flight gives up within about a second and the queued ones are skipped: each
  // message stays, as after any failed mail.
  m_stopping->store(true);
  m_thread.Quit();
  if (!m_thread.Join(timeoutMs)) return false;
  m_running = false;
  m_resultWindow.Destroy();
  return true;
}

void CSendSMTPThread::OnSendSMTPProcess(const CVoiceMailJob& job, const std::string& caFile, qav::Hwnd resultWindow,
                                        const std::atomic<bool>& stopping) {
  QAV_LOG(LOG_FINE, u"CSendSMTPThread::OnSendSMTPProcess");
  if (stopping.load()) {
    QAV_LOG(LOG_INFO, u"CSendSMTPThread[ The message [%s] is not mailed: the program is ending ]", job.fileName);
    return;
  }
  const CVoiceMailNotice notice = ComposeVoiceMailNotice(job);
  if (!notice.send) return;

  CSendSMTP mail;
  if (!caFile.empty()) mail.SetTrustedCertificates(caFile);
  mail.SetStopCheck([&stopping] { return stopping.load(); });
  QAV_LOG(LOG_INFO, u"CSendSMTPThread[ Subject: %s ]", notice.subject);
  QAV_LOG(LOG_INFO, u"CSendSMTPThread[ Body: %s ]", notice.body);
  bool ok = mail.SetServer(g_SMTPServerAddress.Get(), g_SMTPServerPort, g_SMTPSSLEnabled != 0, kSmtpTimeoutSec) &&
            mail.SetSender(g_YourEMailAddress.Get(), g_EMailLoginName.Get(), g_EMailLoginPass.Get(),
                           g_SMTPSPAEnabled != 0) &&
            mail.SetTo(notice.to) && mail.SetSubject(notice.subject) && mail.SetBody(notice.body);
  if (ok && notice.attach) ok = AttachRecording(mail, job);
  if (ok) ok = mail.Send();
  if (!ok) {
    QAV_LOG(LOG_WARNING, u"CSendSMTPThread[ EMail Send Failed!! ]");
    if (!mail.GetLastError().empty()) QAV_LOG(LOG_WARNING, u"CSendSMTPThread[ %s ]", mail.GetLastError());
    return;
  }
  QAV_LOG(LOG_INFO, u"CSendSMTPThread[ Voice Message Notification EMail Sent ]");
  if (notice.deleteAfterSending) {
    // The collections belong to the GUI thread: the deletion happens there.
    if (!qav::PostMessage(resultWindow, kMailedForDeletion, 0, 0, qav::MakePayload<CVoiceMailJob>(job))) {
      QAV_LOG(LOG_WARNING, u"CSendSMTPThread[ The mailed message [%s] is kept: the program is ending ]", job.fileName);
    }
  }
}

void CSendSMTPThread::OnMailedForDeletion(const CVoiceMailJob& job) {
  CMessage* message = FindVoiceMailJobMessage(job);
  if (message == nullptr) {
    QAV_LOG(LOG_INFO, u"CSendSMTPThread[ The mailed message [%s] is gone already, nothing to delete ]", job.fileName);
    return;
  }
  QAV_LOG(LOG_INFO, u"CSendSMTPThread[ Deleting Message from DB and HD ]");
  if (message->DeleteFile() != 1) {
    const std::u16string text = u"Error deleting file: " + message->GetFilePath();
    QAV_LOG(LOG_WARNING, u"%s", text);
    if (m_reportError) m_reportError(text);
  }
  // Deleting the message from the collection detaches its call.
  g_MessageCollection.del(message);
  PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
}
