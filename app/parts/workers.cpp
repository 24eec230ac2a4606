#include "app/parts/workers.h"

#include "foundation/logger.h"

bool CNullWorkers::MailVoiceMessage(VoiceMessageId message) {
  QAV_LOG(LOG_INFO, u"CNullWorkers::MailVoiceMessage( %llu ): no e-mail thread, no notice is mailed",
          static_cast<unsigned long long>(message));
  return false;
}

void CNullWorkers::SendCallDoneNotice(const CMessage* message, const CConversation* conversation) {
  QAV_LOG(LOG_INFO, u"CNullWorkers::SendCallDoneNotice( message %s, conversation %s ): no sibling-application thread",
          message ? u"yes" : u"no", conversation ? u"yes" : u"no");
}

void CNullWorkers::SendRecordingsNotice(const std::vector<const CMessage*>& messages,
                                        const std::vector<const CConversation*>& conversations) {
  QAV_LOG(LOG_INFO, u"CNullWorkers::SendRecordingsNotice( %d messages, %d conversations ): no sibling-application thread",
          static_cast<int>(messages.size()), static_cast<int>(conversations.size()));
}
