#include "app/notify_extr_app_thread.h"

#include "app/extr_app_notify.h"
#include "foundation/logger.h"
#include "platform/text.h"
#include "platform/thread_priority.h"
#include "platform/window.h"

CNotifyExtrAppThread::CNotifyExtrAppThread(std::function<qav::Hwnd()> mainWindow)
    : m_mainWindow(std::move(mainWindow)) {}

CNotifyExtrAppThread::~CNotifyExtrAppThread() { Stop(0); }

bool CNotifyExtrAppThread::Start() {
  if (m_running) return false;
  const qav::Hwnd from = m_mainWindow ? m_mainWindow() : 0;
  m_running = m_thread.Start("qav-notify", [from](qav::MessageLoop& loop) {
    qav::SetCurrentThreadPriority(qav::ThreadPriority::kBelowNormal);
    loop.SetThreadMessageHandler([from](qav::Msg& message) {
      if (message.message != WM_SEND_NOTIFY_PROCESS) return;
      QAV_LOG(LOG_FINE, u"CNotifyExtrAppThread::OnSendNotifyProcess");
      const auto* text = message.Get<qav::TextPayload>();
      const qav::Hwnd sibling = FindSiblingAppWindow();
      if (text == nullptr || sibling == 0) return;
      const qav::SendOutcome outcome = qav::SendCopyData(sibling, from, kSiblingNoticeData,
                                                         qav::TextToUtf16LeBytes(text->text), kSendTimeoutMs);
      if (!outcome.ok()) QAV_LOG(LOG_FINE, u"CNotifyExtrAppThread: the sibling application did not take the notice");
    });
  });
  return m_running;
}

bool CNotifyExtrAppThread::PostNotice(std::u16string text) {
  return m_running &&
         m_thread.PostThreadMessage(WM_SEND_NOTIFY_PROCESS, 0, static_cast<qav::LParam>(text.size()),
                                    std::make_unique<qav::TextPayload>(std::move(text)));
}

bool CNotifyExtrAppThread::Stop(int timeoutMs) {
  if (!m_running) return true;
  m_thread.Quit();
  if (!m_thread.Join(timeoutMs)) return false;
  m_running = false;
  return true;
}
