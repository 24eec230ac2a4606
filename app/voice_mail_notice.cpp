#include "app/voice_mail_notice.h"

#include "app/app_names.h"
#include "app/web_links.h"
#include "data/string_ids.h"
#include "foundation/date_time.h"
#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "platform/text.h"

CVoiceMailNotice ComposeVoiceMailNotice(const CVoiceMailJob& job) {
  const bool nonContact = !job.callerIsContact && g_UseNonAuthorizedCallerSettings != 0;
  const bool notify = (nonContact ? g_EMailNotificationAllowedForNonAuth : g_EMailNotificationAllowed) != 0;
  const bool attachOption = (nonContact ? g_EMailAttachmentAllowedForNonAuth : g_EMailAttachmentAllowed) != 0;
  const bool deleteOption =
      (nonContact ? g_AutoDelMsgAfterEMailAllowedForNonAuth : g_AutoDelMsgAfterEMailAllowed) != 0;

  CVoiceMailNotice notice;
  notice.send = notify;
  if (!notify) return notice;
  notice.attach = attachOption && job.durationSec >= 1;
  // A message is deleted only where the mail holds all it had: its recording went along, or it has
  // none (a 0 s message has no file). A message whose recording did not go along is kept.
  notice.deleteAfterSending = attachOption && deleteOption && (notice.attach || job.durationSec == 0);
  notice.to = g_EMailOtherTOAddressAllow != 0 ? g_EMailOtherTOAddressText.Get() : g_YourEMailAddress.Get();

  const std::u16string date = FormatDate(job.timeOfCall);
  const std::u16string time = FormatTime(job.timeOfCall);
  notice.subject = g_EMailUserOwnSubjectLineAllow != 0
                       ? g_EMailUserOwnSubjectLineText.Get()
                       : qav::Format(GetLangString(IDS_EMAIL_SEND_STATIC_LINE_DEFAULT_SUBJECT_LINE_FORMATING),
                                     job.callerDisplayName, date + u", " + time);

  std::u16string body = GetLangString(IDS_EMAIL_SEND_STATIC_LINE_BODY_HEADER);
  body += qav::Format(GetLangString(IDS_EMAIL_SEND_STATIC_LINE_BODY_DETAILS_FORMATING),
                      job.callerDisplayNameWithHandle, date, time, job.durationSec);
  body += GetLangString(notice.attach ? IDS_EMAIL_SEND_STATIC_LINE_BODY_VOICE_MESSAGE_ATTACHED
                                      : IDS_EMAIL_SEND_STATIC_LINE_BODY_NO_VOICE_MESSAGE_ATTACHED);
  if (notice.deleteAfterSending) body += GetLangString(IDS_EMAIL_SEND_STATIC_LINE_BODY_ORIGINAL_VOICE_MESSAGE_DELETED_FROM_QAV);
  body += u"\r\n______________________________________________";
  body += u"\r\n- ";
  body += kProductTitle;
  body += u"\r\n- ";
  body += MakerWebSiteAddress();
  notice.body = std::move(body);
  return notice;
}
