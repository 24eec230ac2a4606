#include "app/worker_threads.h"

#include <chrono>

#include "app/extr_app_notify.h"
#include "calls/conversation.h"
#include "calls/conversation_collection.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "foundation/logger.h"

namespace {

// The state of a conversation that has ended and whose files are complete.
constexpr int32_t kConversationEnded = 3;

}  // namespace

CWorkerThreads::CWorkerThreads(qav::MessageLoop& guiLoop, std::function<qav::Hwnd()> mainWindow,
                               std::function<void(std::u16string)> reportError)
    : m_mail(guiLoop, std::move(reportError)), m_notify(std::move(mainWindow)) {}

bool CWorkerThreads::StartMailThread() { return m_mail.Start(); }

bool CWorkerThreads::StartNotifyThread() { return m_notify.Start(); }

bool CWorkerThreads::MailVoiceMessage(VoiceMessageId id) {
  const CMessage* message = g_MessageCollection.Find(id);
  if (message == nullptr) {
    QAV_LOG(LOG_INFO, u"CSendSMTPThread: the voice message is gone, nothing to mail");
    return false;
  }
  const std::optional<CVoiceMailJob> job = MakeVoiceMailJob(*message);
  if (!job) {
    QAV_LOG(LOG_INFO, u"CSendSMTPThread: the voice message has no call or caller, nothing to mail");
    return false;
  }
  return m_mail.PostSendRequest(*job);
}

bool CWorkerThreads::OnCopyData(uint64_t dataKind, std::string_view bytes) {
  if (dataKind != kSiblingNoticeData || bytes.empty()) return false;
  CExtrAppNotify notice;
  if (!notice.Begin()) return false;
  for (const CMessage* message : g_MessageCollection.GetMessages()) {
    if (message->GetDuration() >= 0) notice.AddVoiceMessage(*message);
  }
  for (const CConversation* conversation : g_ConversationCollection.GetConversations()) {
    if (conversation->GetState() == kConversationEnded) notice.AddConversation(*conversation);
  }
  notice.Send(m_notify);
  notice.Release();
  return true;
}

void CWorkerThreads::SendCallDoneNotice(const CMessage* message, const CConversation* conversation) {
  std::vector<const CMessage*> messages;
  std::vector<const CConversation*> conversations;
  if (message != nullptr) messages.push_back(message);
  if (conversation != nullptr) conversations.push_back(conversation);
  SendRecordingsNotice(messages, conversations);
}

void CWorkerThreads::SendRecordingsNotice(const std::vector<const CMessage*>& messages,
                                          const std::vector<const CConversation*>& conversations) {
  if (messages.empty() && conversations.empty()) return;
  CExtrAppNotify notice;
  if (!notice.Begin()) return;
  for (const CMessage* message : messages) {
    if (message != nullptr) notice.AddVoiceMessage(*message);
  }
  for (const CConversation* conversation : conversations) {
    if (conversation != nullptr) notice.AddConversation(*conversation);
  }
  notice.Send(m_notify);
  notice.Release();
}

bool CWorkerThreads::Stop(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const bool mailEnded = m_mail.Stop(timeoutMs);
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  const bool notifyEnded = m_notify.Stop(static_cast<int>(std::max<int64_t>(0, left.count())));
  return mailEnded && notifyEnded;
}
