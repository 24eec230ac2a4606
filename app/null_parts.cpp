#include "app/null_parts.h"

#include "foundation/logger.h"

bool CNullPropertySheet::Create(std::u16string_view caption) {
  QAV_LOG(LOG_INFO, u"CNullPropertySheet::Create( %s ): running without a property sheet", caption);
  return false;
}

void CNullPropertySheet::ShowSheet(int show, uint32_t pageFlag) {
  QAV_LOG(LOG_INFO, u"CNullPropertySheet::ShowSheet( %d, %#x ): no property sheet to show", show, pageFlag);
}

bool CNullTray::ShowBalloon(std::u16string_view text, int32_t durationMs, std::u16string_view link) {
  QAV_LOG(LOG_INFO, u"CNullTray::ShowBalloon( %s, %d, %s ): no tray icon", text, durationMs, link);
  return false;
}

bool CNullWorkers::PostSendRequest(qav::Msg&) {
  QAV_LOG(LOG_INFO, u"CNullWorkers::PostSendRequest: no e-mail thread, no notice is mailed");
  return false;
}

void CNullWorkers::SendCallDoneNotice(const CMessage* message, const CConversation* conversation) {
  QAV_LOG(LOG_INFO, u"CNullWorkers::SendCallDoneNotice( message %s, conversation %s ): no sibling-application thread",
          message ? u"yes" : u"no", conversation ? u"yes" : u"no");
}

int CNullServerExchange::UpdateServerInformation(qav::Hwnd, uint32_t, qav::WParam) {
  QAV_LOG(LOG_INFO, u"CNullServerExchange::UpdateServerInformation: no version check in this program");
  return 0;
}

int CNullProblemReport::SendProblemReport() {
  QAV_LOG(LOG_INFO, u"CNullProblemReport::SendProblemReport: no report handler in this program");
  return 0;
}
